#pragma once

#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Progress.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <new>
#include <string_view>
#include <thread>
#include <vector>

// At most this many threads for the loops that share work (0: one per core).
// Tests set it to compare a loop shared among threads with the loop on one.
inline unsigned& workerLimit()
{
    static unsigned limit = 0;
    return limit;
}

// How many threads the loops that share work use: the cores (or the limit set),
// but one for work too small to be worth a thread.
inline unsigned workerCount(double work)
{
    const unsigned cores = std::max(1u, std::min(std::thread::hardware_concurrency(), 16u));
    return work < 2e5 ? 1u : workerLimit() > 0 ? workerLimit() : cores;
}

// A shared loop's threads could not all be started: the address space (a
// thread's stack) or the process's share of threads ran out. A bad_alloc, so
// that every place that refuses work for want of memory refuses this the same
// way, with the state as it was.
struct WorkersUnavailable : std::bad_alloc
{
    const char* what() const noexcept override
    {
        return "not enough memory to start the worker threads";
    }
};

// Runs body(w) for w in 0 .. count - 1, worker 0 on the calling thread (the one
// that may report progress), and returns when all are done. What a worker
// throws (a stop, memory running out) is thrown again once all have ended.
// A body may wait for the others (a barrier), so all run or none does: the
// workers start only once every thread has started, and when one cannot be
// started no body runs and WorkersUnavailable is thrown.
template <class Body> void runWorkers(unsigned count, Body body)
{
    if (count <= 1) {
        body(0u);
        return;
    }
    std::vector<std::exception_ptr> failed(count);
    std::vector<std::thread> threads;
    threads.reserve(count - 1);
    std::mutex mutex;
    std::condition_variable opened;
    enum class Gate { Closed, Run, Skip } gate = Gate::Closed;
    const auto open = [&](Gate how) {
        {
            const std::lock_guard lock(mutex);
            gate = how;
        }
        opened.notify_all();
    };
    try {
        for (unsigned w = 1; w < count; ++w)
            threads.emplace_back([&, w] {
                {
                    std::unique_lock lock(mutex);
                    opened.wait(lock, [&] { return gate != Gate::Closed; });
                    if (gate == Gate::Skip)
                        return;
                }
                try {
                    body(w);
                } catch (...) {
                    failed[w] = std::current_exception();
                }
            });
    } catch (const std::exception&) {
        // std::system_error from the thread, or bad_alloc for its state.
        open(Gate::Skip);
        for (std::thread& t : threads)
            t.join();
        throw WorkersUnavailable();
    }
    open(Gate::Run);
    try {
        body(0u);
    } catch (...) {
        failed[0] = std::current_exception();
    }
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& e : failed)
        if (e)
            std::rethrow_exception(e);
}

// A shared loop's look at its caller every so often: worker 0 reports how far
// it has come (a stop asked for is thrown by the report); the others get false
// once a stop is asked for, and return.
inline bool checkIn(Progress* progress, unsigned worker, std::string_view stage, double fraction)
{
    if (worker == 0) {
        reportProgress(progress, stage, fraction);
        return true;
    }
    return !(progress && progress->stopRequested());
}

// Resizes each of arrays to n value-initialised entries in fresh memory when
// it has to grow (as resizeLarge), the arrays shared among the workers: their
// memory is touched for the first time there.
template <class... Arrays> void resizeLargeShared(std::size_t n, Arrays&... arrays)
{
    const unsigned workers = std::min<unsigned>(
        workerCount(double(n) * sizeof...(Arrays)), unsigned(sizeof...(Arrays)));
    runWorkers(workers, [&](unsigned w) {
        unsigned i = 0;
        ((i++ % workers == w ? resizeLarge(arrays, n) : void()), ...);
    });
}

// Runs item(i) for i in 0 .. n - 1, the range cut into one contiguous part per
// worker. The calling thread's part reports `stage` every mask + 1 items (the
// fraction of its part); the other parts end early once a stop is asked for,
// which the report then throws.
template <class Item>
void forEachShared(
    std::size_t n, Progress* progress, std::string_view stage, std::size_t mask, Item item)
{
    const unsigned workers = workerCount(double(n));
    runWorkers(workers, [&](unsigned w) {
        const std::size_t begin = n * w / workers, end = n * (w + 1) / workers;
        for (std::size_t i = begin; i < end; ++i) {
            if (((i - begin) & mask) == 0
                && !checkIn(progress, w, stage, double(i - begin) / double(end - begin)))
                return;
            item(i);
        }
    });
}
