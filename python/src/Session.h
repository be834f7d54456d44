#pragma once

#include "MeshArrays.h"

#include "workbench/engine/Step.h"
#include "workbench/engine/Workbench.h"

#include <pybind11/pybind11.h>

#include <functional>
#include <string>

// Runs body with the interpreter lock released, the workbench's long steps and
// file reads reporting to a PyProgress with callback (None for none), so that
// Ctrl+C or the callback stops them. What stopped the run is raised after body
// returns (KeyboardInterrupt, or the callback's exception). body must not
// touch Python objects. A stop body
// did not see (a read stopped part-way) raises KeyboardInterrupt too.
void runReleased(
    Workbench& workbench, pybind11::handle callback, const std::function<void()>& body);

// Raises the Python exception for a step that did not end Done:
// Refused ValueError (the batch tool's message), a failed save OSError, memory
// running out MemoryError, Cancelled KeyboardInterrupt, other failures
// RuntimeError. prefix goes before the message.
void raiseEnd(const Step& step, const Workbench::StepEnd& end, const std::string& prefix = {});

// A step from a script line, or from a verb and keyword values (underscores
// in keys become '-': use_stops is use-stops). ValueError for a damaged line.
Step makeStep(const std::string& line, const pybind11::dict& params);
// ValueError, with the batch tool's words, for a step whose arguments do not hold.
void requireValid(const Step& step);

// A path-like object as a file name in the system's encoding (os.fsdecode).
std::string fsText(pybind11::handle path);

// A workbench for one tool call: the memory it takes is the work itself.
inline constexpr Workbench::Options oneCall { .keepBackup = false, .keepHistory = false };

// Runs step on workbench, the lock released, and raises how it ended unless Done.
void runStep(Workbench& workbench, const Step& step, pybind11::handle callback);

// Opens path through the workbench as the window's Open does; OSError naming
// the file and the reason when it cannot be read.
void openMesh(Workbench& workbench, const std::string& path, pybind11::handle callback);

// A workbench keeping neither backup nor history holding a copy of mesh, as
// if it had just been read (adoptMesh: the load builds run again, as a file
// load runs them, and settle its state).
std::unique_ptr<Workbench> benchWith(const Mesh& mesh);

// Takes the workbench's mesh as a new handle (the workbench is left without).
MeshHandle takeMesh(Workbench& workbench);

// The workbench as Python sees it: the steps it runs go through the same path
// the window and facetra-cli use. Its mesh is handed out as a copy made once
// per state, so that arrays viewing it never see a later step.
class Session
{
public:
    explicit Session(Workbench::Options options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Workbench workbench;

    // A copy of the current mesh (null when there is none), the same one until
    // the workbench changes.
    MeshHandle mesh();
    // Raises RuntimeError when a step of this workbench is running (from
    // another thread, or a progress callback).
    void enter();
    void leave() { busy = false; }
    // The workbench for reading, once no step of it runs (RuntimeError else).
    const Workbench& idle() const;

    // A copy of mesh becomes the workbench's, as a mesh no file holds.
    void adopt(const Mesh& mesh, const std::string& name);
    void run(const Step& step, pybind11::handle callback);
    void open(const std::string& path, pybind11::handle callback);
    // Checks the whole script, then runs its steps in order: {name} in saved
    // names is the current file's name, a relative name lies beside the
    // script, as the window's Run Steps does. ValueError "line N: reason" for a
    // damaged script (nothing run); a step that does not end Done raises with
    // "stopped at line N: ".
    void runScript(const std::string& path, pybind11::handle callback);

private:
    MeshHandle cached;
    bool busy = false;
    int listener = 0;
};
