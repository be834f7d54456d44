// The tools as functions of a mesh: each runs its step on a workbench holding
// a copy of the mesh, through the same path the window and facetra-cli use,
// and hands back the mesh the step left. The mesh given stays as it was.
#include "Tools.h"

#include "PyProgress.h"
#include "Session.h"

#include "clipping/engine/PlaneWidgetInCube.h"
#include "mesh/engine/Mesh.h"
#include "terrain/engine/HeightMap.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>

namespace py = pybind11;

namespace {

std::vector<Step> stepsOf(const py::list& steps)
{
    std::vector<Step> out;
    for (py::handle item : steps) {
        const auto pair = item.cast<py::tuple>();
        out.push_back(makeStep(pair[0].cast<std::string>(), pair[1].cast<py::dict>()));
        requireValid(out.back());
    }
    return out;
}

std::unique_ptr<Workbench> copyInto(const Mesh& mesh)
{
    py::gil_scoped_release release;
    auto bench = benchWith(mesh);
    // The normals stay those the mesh carries (a filter's, as a workbench
    // keeps them for the steps after it), not those the adoption built.
    Mesh& own = bench->mesh;
    if (own.faces.size() == mesh.faces.size()
        && own.vertexNormals.size() == mesh.vertexNormals.size()) {
        for (std::size_t f = 0; f < own.faces.size(); ++f)
            own.faces[f].normal = mesh.faces[f].normal;
        own.vertexNormals = mesh.vertexNormals;
    }
    // Marks go on numbering the segments the mesh has.
    int segments = 0;
    for (const int segment : bench->mesh.faceSegments)
        segments = std::max(segments, segment);
    bench->traversal.segmentCount = segments;
    return bench;
}

} // namespace

MeshHandle applySteps(const Mesh& mesh, const py::list& steps, py::handle callback)
{
    const std::vector<Step> list = stepsOf(steps);
    auto bench = copyInto(mesh);
    for (const Step& step : list)
        runStep(*bench, step, callback);
    return takeMesh(*bench);
}

py::tuple classify(const Mesh& mesh, const py::dict& params, py::handle callback)
{
    const Step step = makeStep("classify", params);
    requireValid(step);
    auto bench = copyInto(mesh);
    runStep(*bench, step, callback);
    const Mesh_Classifier& c = bench->classifier;
    // As facetra-cli classify --json: the seeds of the patches and each face's
    // patch once the faces are partitioned.
    const bool partitioned = !c.patchOfFace.empty();
    const std::size_t n = partitioned ? std::size_t(c.numPatches) : 0;
    py::array_t<std::int32_t> seeds { py::ssize_t(n) };
    std::copy_n(c.seeds.begin(), n, seeds.mutable_data());
    py::array_t<std::int32_t> patches { py::ssize_t(partitioned ? c.patchOfFace.size() : 0) };
    if (partitioned)
        std::copy(c.patchOfFace.begin(), c.patchOfFace.end(), patches.mutable_data());
    return py::make_tuple(takeMesh(*bench), seeds, patches);
}

MeshHandle terrain(py::handle heights, const py::dict& params, py::handle callback)
{
    Step step = makeStep("terrain", params);
    HeightMap map;
    const bool fromArray = !heights.is_none() && !py::isinstance<py::str>(heights)
        && !py::hasattr(heights, "__fspath__");
    if (fromArray) {
        const auto grey
            = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(heights);
        if (!grey || grey.ndim() != 2 || grey.shape(0) == 0 || grey.shape(1) == 0)
            throw py::value_error("terrain: heights takes a 2-D array of grey levels 0 .. 255");
        map.height = int(grey.shape(0));
        map.width = int(grey.shape(1));
        map.rgb.resize(std::size_t(map.width) * std::size_t(map.height) * 3);
        const double* g = grey.data();
        for (std::size_t i = 0; i < std::size_t(grey.size()); ++i) {
            if (!(g[i] >= 0.0 && g[i] <= 255.0))
                throw py::value_error("terrain: heights are grey levels 0 .. 255, not "
                    + std::string(py::repr(py::float_(g[i]))));
            const auto v = std::uint8_t(std::lround(g[i]));
            map.rgb[3 * i] = map.rgb[3 * i + 1] = map.rgb[3 * i + 2] = v;
        }
        // The array stands where the page's image file would.
        step.set("heightmap", "(array)");
    } else if (!heights.is_none()) {
        step.set("heightmap", fsText(heights));
    }
    requireValid(step);
    Workbench bench(oneCall);
    if (fromArray) {
        bench.heightMapReader = [&map](const std::string&, HeightMap& out, std::string&) {
            out = map;
            return true;
        };
    } else {
        installHeightMapReader(bench);
    }
    runStep(bench, step, callback);
    return takeMesh(bench);
}

py::array clipPlanes(const Mesh& mesh, py::handle path)
{
    PlaneWidgetInCube cube;
    cube.initCube(clipCubeEdge(mesh));
    if (!path.is_none()) {
        const std::string name = fsText(path);
        if (!cube.load(name)) {
            PyErr_SetString(PyExc_OSError, (name + ": cannot be read as clipping planes").c_str());
            throw py::error_already_set();
        }
    }
    // The planes clip the mesh as the view centres it: moved into the mesh's
    // own coordinates.
    const Vector& c = mesh.centre;
    py::array_t<double> out(std::vector<py::ssize_t> { py::ssize_t(cube.planes.size()), 4 });
    auto w = out.mutable_unchecked<2>();
    for (std::size_t i = 0; i < cube.planes.size(); ++i) {
        const double* e = cube.planes[i].equation;
        w(py::ssize_t(i), 0) = e[0];
        w(py::ssize_t(i), 1) = e[1];
        w(py::ssize_t(i), 2) = e[2];
        w(py::ssize_t(i), 3) = e[3] - (e[0] * c.x + e[1] * c.y + e[2] * c.z);
    }
    return out;
}

py::array clip(const Mesh& mesh, py::handle planes)
{
    py::array_t<double, py::array::c_style | py::array::forcecast> equations;
    if (py::isinstance<py::str>(planes) || py::hasattr(planes, "__fspath__"))
        equations = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(
            clipPlanes(mesh, planes));
    else
        equations = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(planes);
    if (!equations || equations.ndim() != 2 || equations.shape(1) != 4)
        throw py::value_error("clip: planes takes a .slc file or an array of shape (k, 4)");
    const auto e = equations.unchecked<2>();
    const py::ssize_t k = equations.shape(0);
    std::vector<char> keptVertex(mesh.vertices.size());
    for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
        const Vector& p = mesh.vertices[v];
        bool kept = true;
        for (py::ssize_t i = 0; kept && i < k; ++i)
            kept = e(i, 0) * p.x + e(i, 1) * p.y + e(i, 2) * p.z + e(i, 3) >= 0.0;
        keptVertex[v] = kept;
    }
    py::array_t<bool> out(py::ssize_t(mesh.faces.size()));
    bool* o = out.mutable_data();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const Face& face = mesh.faces[f];
        o[f] = keptVertex[std::size_t(face.index[0])] && keptVertex[std::size_t(face.index[1])]
            && keptVertex[std::size_t(face.index[2])];
    }
    return out;
}
