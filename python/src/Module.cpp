// facetra's compiled part: meshes as numpy arrays, the tools and the
// workbench, and one mesh of a batch. The package's __init__ gives the tools
// their names, defaults and documentation.
#include "BatchScript.h"
#include "MeshArrays.h"
#include "PyProgress.h"
#include "Session.h"
#include "Tools.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteMeshFile.h"
#include "workbench/engine/Steps.h"
#include "workbench/engine/ToolRunner.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

namespace py = pybind11;
using mesh_arrays::Field;

namespace {

MeshHandle load(py::handle path, py::handle progress)
{
    Workbench bench(oneCall);
    openMesh(bench, fsText(path), progress);
    return takeMesh(bench);
}

void save(const Mesh& mesh, py::handle pathObject, py::handle callback)
{
    const std::string path = fsText(pathObject);
    if (const std::string refusal = meshWriteProblem(path); !refusal.empty())
        throw py::value_error(refusal);
    MeshWriteReport report;
    bool ok = false;
    bool stopped = false;
    PyProgress progress { py::reinterpret_borrow<py::object>(callback) };
    {
        py::gil_scoped_release release;
        try {
            // The save step's own write: the colours when they are the mesh's own.
            ok = writeMeshFile(mesh, path, mesh.vertexColoursSet, &progress, &report);
        } catch (const RunCancelled&) {
            stopped = true;
        }
    }
    progress.rethrow();
    if (stopped) {
        PyErr_SetString(PyExc_KeyboardInterrupt, "cancelled");
        throw py::error_already_set();
    }
    if (ok)
        return;
    const std::string& why = report.problem;
    PyObject* type = why.ends_with("permission denied") ? PyExc_PermissionError
        : why.ends_with("no such file or directory")    ? PyExc_FileNotFoundError
        : why == "no mesh to save"                      ? PyExc_ValueError
                                                        : PyExc_OSError;
    PyErr_SetString(type, why.empty() ? ("cannot write '" + path + "'").c_str() : why.c_str());
    throw py::error_already_set();
}

py::array box(const Mesh& mesh)
{
    // Corner 4 of the box is its minimum, corner 1 its maximum.
    py::array_t<float> out(std::vector<py::ssize_t> { 2, 3 });
    auto w = out.mutable_unchecked<2>();
    const Vector& lo = mesh.boxCorners[4];
    const Vector& hi = mesh.boxCorners[1];
    w(0, 0) = lo.x, w(0, 1) = lo.y, w(0, 2) = lo.z;
    w(1, 0) = hi.x, w(1, 1) = hi.y, w(1, 2) = hi.z;
    out.attr("setflags")(py::arg("write") = false);
    return out;
}

py::list stepTexts(const std::vector<Step>& steps)
{
    py::list out;
    for (const Step& step : steps)
        out.append(step.text());
    return out;
}

// A view property of field.
auto fieldOf(Field field)
{
    return [field](py::object self) {
        return mesh_arrays::view(self.cast<const Mesh&>(), field, self);
    };
}

} // namespace

PYBIND11_MODULE(_facetra, m)
{
    m.doc() = "Facetra's engines: meshes, tools, the workbench (see the facetra package).";

    py::class_<Mesh, MeshHandle>(m, "Mesh")
        .def(py::init(&mesh_arrays::fromArrays), py::arg("positions"), py::arg("faces"),
            py::arg("colours") = py::none())
        .def_property_readonly("positions", fieldOf(Field::Positions))
        .def_property_readonly("faces", fieldOf(Field::Faces))
        .def_property_readonly("vertex_normals", fieldOf(Field::VertexNormals))
        .def_property_readonly("face_normals", fieldOf(Field::FaceNormals))
        .def_property_readonly("vertex_colours", fieldOf(Field::VertexColours))
        .def_property_readonly("face_colours", fieldOf(Field::FaceColours))
        .def_property_readonly("segments", fieldOf(Field::Segments))
        .def_property_readonly("traversed", fieldOf(Field::Traversed))
        .def_property_readonly("centroids", fieldOf(Field::Centroids))
        .def_property_readonly("morphogens", &mesh_arrays::morphogens)
        .def_property_readonly(
            "morphogen_names", [](const Mesh& mesh) { return mesh.morphogenNames; })
        .def_property_readonly(
            "has_colours", [](const Mesh& mesh) { return mesh.vertexColoursSet; })
        .def_property_readonly("num_vertices", [](const Mesh& mesh) { return mesh.numVertices; })
        .def_property_readonly("num_faces", [](const Mesh& mesh) { return mesh.numFaces; })
        .def_property_readonly("num_edges", [](const Mesh& mesh) { return mesh.numEdges; })
        .def_property_readonly("box", &box)
        .def_property_readonly("extent", [](const Mesh& mesh) { return mesh.extent; })
        .def_property_readonly("centre",
            [](const Mesh& mesh) {
                return py::make_tuple(mesh.centre.x, mesh.centre.y, mesh.centre.z);
            })
        .def("save", &save, py::arg("path"), py::arg("progress") = py::none())
        .def("__repr__", [](const Mesh& mesh) {
            return "<facetra.Mesh " + std::to_string(mesh.numVertices) + " vertices, "
                + std::to_string(mesh.numFaces) + " faces>";
        });

    m.def("load", &load, py::arg("path"), py::arg("progress") = py::none());
    m.def(
        "apply", &applySteps, py::arg("mesh"), py::arg("steps"), py::arg("progress") = py::none());
    m.def("classify", &classify, py::arg("mesh"), py::arg("params"),
        py::arg("progress") = py::none());
    m.def("terrain", &terrain, py::arg("heights"), py::arg("params"),
        py::arg("progress") = py::none());
    m.def("clip_planes", &clipPlanes, py::arg("mesh"), py::arg("path") = py::none());
    m.def("clip", &clip, py::arg("mesh"), py::arg("planes"));
    m.def("verbs", &Workbench::verbs);
    m.def("readable_patterns", [] { return std::string(readableMeshPatterns()); });

    py::class_<Session>(m, "Workbench")
        .def(py::init([](bool keepBackup, bool keepHistory, std::uint64_t historyBudget) {
            auto session = std::make_unique<Session>(Workbench::Options { .keepBackup = keepBackup,
                .keepHistory = keepHistory,
                .historyBudget = historyBudget });
            installHeightMapReader(session->workbench);
            return session;
        }),
            py::kw_only(), py::arg("keep_backup") = true, py::arg("keep_history") = true,
            py::arg("history_budget") = 0)
        .def(
            "open",
            [](Session& s, py::handle path, py::handle progress) {
                s.open(fsText(path), progress);
            },
            py::arg("path"), py::arg("progress") = py::none())
        .def(
            "adopt",
            [](Session& s, const Mesh& mesh, const std::string& name) { s.adopt(mesh, name); },
            py::arg("mesh"), py::arg("name") = "untitled")
        .def(
            "run",
            [](Session& s, const std::string& step, py::handle progress, const py::kwargs& params) {
                s.run(makeStep(step, params), progress);
            },
            py::arg("step"), py::arg("progress") = py::none())
        .def(
            "undo", [](Session& s) { s.run(plainStep("undo"), py::none()); },
            "Takes back the latest step (ValueError: nothing to undo).")
        .def(
            "redo", [](Session& s) { s.run(plainStep("redo"), py::none()); },
            "Does the step taken back again (ValueError: nothing to redo).")
        .def(
            "run_script",
            [](Session& s, py::handle path, py::handle progress) {
                s.runScript(fsText(path), progress);
            },
            py::arg("path"), py::arg("progress") = py::none())
        .def_property_readonly("mesh", &Session::mesh)
        .def_property_readonly(
            "steps", [](const Session& s) { return stepTexts(s.idle().steps()); })
        .def_property_readonly("script", [](const Session& s) { return s.idle().stepsScript(); })
        .def_property_readonly("undo_name", [](const Session& s) { return s.workbench.undoName(); })
        .def_property_readonly("redo_name", [](const Session& s) { return s.workbench.redoName(); })
        .def_property_readonly(
            "modified", [](const Session& s) { return s.workbench.isModified(); })
        .def_property_readonly("file_name", [](const Session& s) { return s.workbench.fileName; })
        .def_property_readonly("name", [](const Session& s) { return s.workbench.documentName(); })
        .def_property_readonly("highlight",
            [](const Session& s) {
                return py::array_t<std::int32_t>(
                    py::ssize_t(s.workbench.highlight.size()), s.workbench.highlight.data());
            })
        .def_property_readonly("seeds", [](const Session& s) { return s.idle().classifier.seeds; })
        .def_property_readonly(
            "patch_of_face", [](const Session& s) { return s.idle().classifier.patchOfFace; });

    py::class_<StopFlag, std::shared_ptr<StopFlag>>(m, "StopFlag")
        .def(py::init<>())
        .def("set", [](StopFlag& f) { f.set.store(true); })
        .def("is_set", [](const StopFlag& f) { return f.set.load(); });

    m.def("check_batch",
        [](const std::string& script, const std::vector<std::string>& meshes,
            const std::string& outDir) {
            std::string problem;
            if (!checkBatch(script, meshes, outDir, problem))
                throw py::value_error(problem);
        });
    m.def("resolve_script_files", &resolveScriptFiles);
    m.def(
        "run_batch_mesh",
        [](const std::string& script, const std::string& mesh, const std::string& outDir,
            std::shared_ptr<StopFlag> flag) {
            BatchRecord r;
            {
                py::gil_scoped_release release;
                r = runBatchMesh(script, mesh, outDir, flag);
            }
            py::dict d;
            d["status"] = r.status;
            d["error"] = r.error.empty() ? py::object(py::none()) : py::object(py::str(r.error));
            d["seconds"] = r.seconds;
            d["vertices"] = r.vertices;
            d["faces"] = r.faces;
            d["edges"] = r.edges;
            return d;
        },
        py::arg("script"), py::arg("mesh"), py::arg("out_dir"), py::arg("stop") = nullptr);
}
