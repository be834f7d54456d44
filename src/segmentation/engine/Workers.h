#pragma once

#include <algorithm>
#include <thread>
#include <vector>

// How many threads the dense table loops use: the cores, but one for work too
// small to be worth a thread.
inline unsigned workerCount(double work)
{
    const unsigned cores = std::max(1u, std::min(std::thread::hardware_concurrency(), 16u));
    return work < 2e5 ? 1u : cores;
}

// Runs body(w) for w in 0 .. count - 1, worker 0 on the calling thread (the one
// that may report progress), and returns when all are done.
template <class Body> void runWorkers(unsigned count, Body body)
{
    std::vector<std::thread> threads;
    threads.reserve(count > 0 ? count - 1 : 0);
    for (unsigned w = 1; w < count; ++w)
        threads.emplace_back([&body, w] { body(w); });
    body(0u);
    for (std::thread& t : threads)
        t.join();
}
