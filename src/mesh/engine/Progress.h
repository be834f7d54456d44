#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <string_view>

// Thrown out of an engine loop when its caller asked the work to stop. What the
// engine was writing is then half done, so tools run on copies and drop them.
struct RunCancelled : std::exception
{
    const char* what() const noexcept override { return "run cancelled"; }
};

// How a long-running engine loop tells its caller how far it has come, and
// learns whether to stop. The GUI shows a progress dialogue, the command-line
// tool a bar on a terminal; the default shows nothing.
//
// Engine loops call report() (or checkStop() where there is nothing new to say)
// at least every few milliseconds of work, on the thread that called the
// engine. Threads an engine starts itself poll stopRequested() and return; the
// calling thread then calls checkStop().
class Progress
{
public:
    Progress() = default;
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    virtual ~Progress() = default;

    // fraction in 0 .. 1 of the named stage. Throws RunCancelled once a stop
    // was requested.
    void report(std::string_view stage, double fraction)
    {
        show(stage, fraction);
        checkStop();
    }
    void checkStop() const
    {
        if (stopRequested())
            throw RunCancelled();
    }
    bool stopRequested() const { return stop.load(std::memory_order_relaxed); }
    // From any thread, or a signal handler: the work ends at its next report.
    void requestStop() { stop.store(true, std::memory_order_relaxed); }

protected:
    virtual void show(std::string_view stage, double fraction)
    {
        (void)stage;
        (void)fraction;
    }

private:
    std::atomic<bool> stop { false };
    static_assert(std::atomic<bool>::is_always_lock_free);
};

// report() through a pointer that may be null.
inline void reportProgress(Progress* progress, std::string_view stage, double fraction)
{
    if (progress)
        progress->report(stage, fraction);
}

// For the inner loops: report() at step i of n once every mask + 1 steps (mask
// one less than a power of two), so that the test costs a mask and a branch.
inline void reportPeriodically(
    Progress* progress, std::string_view stage, std::size_t i, std::size_t n, std::size_t mask = 4095)
{
    if (progress && (i & mask) == 0)
        progress->report(stage, n > 0 ? double(i) / double(n) : 1.0);
}
