#include "PyProgress.h"

namespace py = pybind11;

namespace {

// Ctrl+C is heard within this time; the callback is called no more often.
constexpr std::chrono::milliseconds listenEvery { 40 };

} // namespace

PyProgress::PyProgress(py::object callback)
    : callback(std::move(callback))
    , listen(true)
    , last(std::chrono::steady_clock::now())
{ }

PyProgress::PyProgress(std::shared_ptr<StopFlag> flag)
    : flag(std::move(flag))
    , listen(false)
    , last(std::chrono::steady_clock::now())
{ }

PyProgress::~PyProgress() = default;

void PyProgress::show(std::string_view stage, double fraction)
{
    if (flag && flag->set.load(std::memory_order_relaxed))
        requestStop();
    if (!listen || error)
        return;
    const auto now = std::chrono::steady_clock::now();
    const bool newStage = stage != lastStage;
    if (!newStage && now - last < listenEvery)
        return;
    last = now;
    if (newStage)
        lastStage.assign(stage);
    py::gil_scoped_acquire lock;
    if (PyErr_CheckSignals() != 0) {
        error.emplace();
        requestStop();
        return;
    }
    if (!callback || callback.is_none())
        return;
    try {
        // Stages may name files: in the system's file-name encoding.
        py::object text = py::reinterpret_steal<py::object>(
            PyUnicode_DecodeFSDefaultAndSize(stage.data(), py::ssize_t(stage.size())));
        if (!text)
            throw py::error_already_set();
        callback(text, fraction);
    } catch (py::error_already_set& e) {
        error.emplace(std::move(e));
        requestStop();
    }
}

void PyProgress::rethrow()
{
    if (!error)
        return;
    py::error_already_set e = std::move(*error);
    error.reset();
    throw e;
}
