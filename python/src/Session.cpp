#include "Session.h"

#include "BatchScript.h"
#include "PyProgress.h"

#include "mesh/engine/Progress.h"
#include "workbench/engine/Batch.h"
#include "workbench/engine/ToolRunner.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace py = pybind11;

namespace {

[[noreturn]] void raise(PyObject* type, const std::string& message)
{
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size()
        && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A value as a step writes it: numbers by the shortest text that reads back
// as the same value.
std::string valueText(py::handle value)
{
    if (py::isinstance<py::bool_>(value))
        return value.cast<bool>() ? "1" : "0";
    if (py::isinstance<py::int_>(value))
        return py::str(value);
    if (py::isinstance<py::float_>(value))
        return py::repr(value);
    if (py::isinstance<py::str>(value))
        return value.cast<std::string>();
    if (py::hasattr(value, "__fspath__"))
        return fsText(value);
    // numpy's scalars
    if (py::hasattr(value, "__index__"))
        return py::str(py::int_(py::reinterpret_borrow<py::object>(value)));
    if (py::hasattr(value, "__float__"))
        return py::repr(py::float_(py::reinterpret_borrow<py::object>(value)));
    throw py::value_error("a step value is a number or a text, not "
        + std::string(py::str(py::type::handle_of(value).attr("__name__"))));
}

} // namespace

void raiseEnd(const Step& step, const Workbench::StepEnd& end, const std::string& prefix)
{
    const std::string message = prefix + end.message;
    switch (end.outcome) {
    case Workbench::Outcome::Done:
        return;
    case Workbench::Outcome::Refused:
        raise(PyExc_ValueError, message);
    case Workbench::Outcome::Cancelled:
        raise(PyExc_KeyboardInterrupt, message);
    case Workbench::Outcome::Failed:
        if (end.message.find(outOfMemoryReason) != std::string::npos)
            raise(PyExc_MemoryError, message);
        if (isSaveVerb(step.verb)) {
            if (endsWith(end.message, "permission denied"))
                raise(PyExc_PermissionError, message);
            if (endsWith(end.message, "no such file or directory"))
                raise(PyExc_FileNotFoundError, message);
            raise(PyExc_OSError, message);
        }
        raise(PyExc_RuntimeError, message);
    }
}

void runReleased(Workbench& workbench, py::handle callback, const std::function<void()>& body)
{
    PyProgress progress(py::reinterpret_borrow<py::object>(callback));
    ToolRunner runner(&progress);
    struct Restore
    {
        Workbench& workbench;
        ~Restore() { workbench.setRunner(nullptr); }
    } restore { workbench };
    workbench.setRunner(&runner);
    bool stopped = false;
    {
        py::gil_scoped_release release;
        try {
            body();
        } catch (const RunCancelled&) {
            stopped = true;
        }
    }
    progress.rethrow();
    if (stopped)
        raise(PyExc_KeyboardInterrupt, "cancelled");
}

std::string fsText(py::handle path)
{
    return py::module_::import("os").attr("fsdecode")(path).cast<std::string>();
}

void requireValid(const Step& step)
{
    std::string problem;
    if (!Workbench::checkStep(step, problem))
        throw py::value_error(problem);
}

Step makeStep(const std::string& line, const py::dict& params)
{
    Step step;
    std::string problem;
    if (!parseStepLine(line, step, problem))
        throw py::value_error(problem);
    if (step.verb.empty())
        throw py::value_error("an empty step");
    for (const auto& [key, value] : params) {
        std::string name = py::str(key);
        for (char& c : name) {
            if (c == '_')
                c = '-';
        }
        if (value.is_none())
            continue;
        step.set(name, valueText(value));
    }
    return step;
}

void runStep(Workbench& workbench, const Step& step, py::handle callback)
{
    Workbench::StepEnd end;
    runReleased(workbench, callback, [&] { end = runAtOnce(workbench, step); });
    raiseEnd(step, end);
}

void openMesh(Workbench& workbench, const std::string& path, py::handle callback)
{
    std::string problem;
    bool ok = false;
    runReleased(workbench, callback, [&] { ok = workbench.open(path, &problem); });
    if (ok)
        return;
    if (problem.empty())
        problem = path + ": cannot be read";
    if (endsWith(problem, ": no such file"))
        raise(PyExc_FileNotFoundError, problem);
    if (endsWith(problem, ": permission denied"))
        raise(PyExc_PermissionError, problem);
    raise(PyExc_OSError, problem);
}

std::unique_ptr<Workbench> benchWith(const Mesh& mesh)
{
    auto bench = std::make_unique<Workbench>(oneCall);
    std::unique_ptr<Mesh> copy = mesh.duplicate();
    bench->adoptMesh(*copy);
    return bench;
}

MeshHandle takeMesh(Workbench& workbench)
{
    auto mesh = std::make_shared<Mesh>(std::move(workbench.mesh));
    workbench.mesh = Mesh();
    return mesh;
}

// ---- Session

Session::Session(Workbench::Options options)
    : workbench(options)
{
    listener = workbench.addListener([this](unsigned) { cached.reset(); });
}

Session::~Session()
{
    workbench.removeListener(listener);
}

const Workbench& Session::idle() const
{
    if (busy)
        raise(PyExc_RuntimeError, "a step of this workbench is running");
    return workbench;
}

MeshHandle Session::mesh()
{
    idle();
    if (workbench.mesh.numFaces == 0 && workbench.mesh.numVertices == 0)
        return nullptr;
    if (!cached)
        cached = MeshHandle(workbench.mesh.duplicate());
    return cached;
}

void Session::enter()
{
    if (busy)
        raise(PyExc_RuntimeError, "a step of this workbench is running");
    busy = true;
}

namespace {

struct Busy
{
    Session& session;
    explicit Busy(Session& s)
        : session(s)
    {
        session.enter();
    }
    ~Busy() { session.leave(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
};

} // namespace

void Session::adopt(const Mesh& mesh, const std::string& name)
{
    Busy busy(*this);
    std::unique_ptr<Mesh> copy = mesh.duplicate();
    workbench.adoptMesh(*copy, name);
}

void Session::run(const Step& step, py::handle callback)
{
    Busy busy(*this);
    runStep(workbench, step, callback);
}

void Session::open(const std::string& path, py::handle callback)
{
    Busy busy(*this);
    openMesh(workbench, path, callback);
}

void Session::runScript(const std::string& path, py::handle callback)
{
    Busy busy(*this);
    std::string text;
    if (!readScript(path, text))
        raise(PyExc_OSError, "cannot read the script '" + path + "'");
    CheckedScript checked;
    std::string problem;
    if (!checkScript(text, checked, problem))
        throw py::value_error(problem);
    placeStepArguments(checked, meshStem(workbench.fileName),
        std::filesystem::absolute(std::filesystem::path(path)).parent_path().string());
    for (const ScriptLine& line : checked.lines) {
        Workbench::StepEnd end;
        runReleased(workbench, callback, [&] { end = runAtOnce(workbench, line.step); });
        raiseEnd(line.step, end, "stopped at line " + std::to_string(line.line) + ": ");
    }
}
