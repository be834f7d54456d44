#pragma once

#include "mesh/engine/Progress.h"

#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

// A stop asked from outside a run (a batch told to end), seen by its runs.
struct StopFlag
{
    std::atomic<bool> set { false };
};

// What a run from Python reports to while the interpreter lock is released.
// Every few tens of milliseconds, and at every new stage, it takes the lock,
// looks for a pending signal (Ctrl+C) and calls the callback with the stage
// and the fraction done. A signal, or an exception the callback raises, asks
// the run to stop: the same stop the window's Cancel asks for, so the run ends
// Cancelled with the mesh as it was, and rethrow() then raises what was raised
// (KeyboardInterrupt for Ctrl+C).
//
// Runs inside a batch pass listen = false: they take no lock, and hear a stop
// only through the flag.
class PyProgress : public Progress
{
public:
    // Listens, calling callback (None: no callback). Made with the lock held.
    explicit PyProgress(pybind11::object callback);
    // Listens to flag alone; made and used without the lock.
    explicit PyProgress(std::shared_ptr<StopFlag> flag);
    ~PyProgress() override;
    PyProgress(const PyProgress&) = delete;
    PyProgress& operator=(const PyProgress&) = delete;

    // With the lock held, after the run: raises the exception that stopped it,
    // if one did.
    void rethrow();
    bool raised() const { return error.has_value(); }

protected:
    void show(std::string_view stage, double fraction) override;

private:
    pybind11::object callback;
    std::shared_ptr<StopFlag> flag;
    bool listen;
    std::chrono::steady_clock::time_point last;
    std::string lastStage;
    std::optional<pybind11::error_already_set> error;
};
