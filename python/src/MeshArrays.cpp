#include "MeshArrays.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <type_traits>

namespace py = pybind11;

namespace mesh_arrays {

namespace {

// Where a field lies: in which per-element array, at which offset of the
// element, how many columns of which type.
struct Layout
{
    bool perFace;
    std::size_t offset;
    py::ssize_t columns; // 0: one value per element, a 1-D array
    bool integer;
};

Layout layoutOf(Field field)
{
    switch (field) {
    case Field::Positions:
    case Field::VertexNormals:
    case Field::Centroids:
        return { field == Field::Centroids, offsetof(Vector, x), 3, false };
    case Field::VertexColours:
        return { false, offsetof(Vector, x), 4, false };
    case Field::Faces:
        return { true, offsetof(Face, index), 3, true };
    case Field::FaceNormals:
        return { true, offsetof(Face, normal), 3, false };
    case Field::FaceColours:
        return { true, offsetof(PackedVector, x), 4, false };
    case Field::Segments:
    case Field::Traversed:
        return { true, 0, 0, true };
    }
    return {};
}

template <class T, class A>
std::pair<const char*, std::size_t> elements(const std::vector<T, A>& v, std::size_t expected)
{
    if (v.size() != expected)
        return { nullptr, 0 };
    return { reinterpret_cast<const char*>(v.data()), v.size() };
}

// A read-only array of n copies of value.
template <class T> py::array defaults(const T& value, std::size_t n)
{
    py::array array;
    if constexpr (std::is_same_v<T, PackedVector>) {
        py::array_t<float> filled(std::vector<py::ssize_t> { py::ssize_t(n), 4 });
        auto w = filled.mutable_unchecked<2>();
        for (py::ssize_t i = 0; i < py::ssize_t(n); ++i) {
            w(i, 0) = value.x, w(i, 1) = value.y, w(i, 2) = value.z, w(i, 3) = value.w;
        }
        array = filled;
    } else {
        py::array_t<std::int32_t> filled { py::ssize_t(n) };
        std::fill_n(filled.mutable_data(), n, std::int32_t(value));
        array = filled;
    }
    array.attr("setflags")(py::arg("write") = false);
    return array;
}

} // namespace

py::array view(const Mesh& mesh, Field field, py::handle owner)
{
    static_assert(sizeof(float) == 4 && sizeof(int) == 4);
    const Layout layout = layoutOf(field);
    const std::size_t vertices = std::size_t(mesh.numVertices);
    const std::size_t faces = std::size_t(mesh.numFaces);
    std::pair<const char*, std::size_t> data { nullptr, 0 };
    std::size_t stride = 0;
    switch (field) {
    case Field::Positions:
        data = elements(mesh.vertices, vertices);
        stride = sizeof(Vector);
        break;
    case Field::VertexNormals:
        data = elements(mesh.vertexNormals, vertices);
        stride = sizeof(Vector);
        break;
    case Field::VertexColours:
        data = elements(mesh.vertexColours, vertices);
        stride = sizeof(Vector);
        break;
    case Field::Centroids:
        data = elements(mesh.centroids, faces);
        stride = sizeof(Vector);
        break;
    // A face mark no tool has set is not stored: every face holds the default.
    case Field::FaceColours:
        if (mesh.faceColours.empty() && faces > 0)
            return defaults(Face::defaultColour(), faces);
        data = elements(mesh.faceColours, faces);
        stride = sizeof(PackedVector);
        break;
    case Field::Segments:
    case Field::Traversed: {
        const LargeVector<int>& marks
            = field == Field::Segments ? mesh.faceSegments : mesh.faceTraversed;
        if (marks.empty() && faces > 0)
            return defaults(0, faces);
        data = elements(marks, faces);
        stride = sizeof(int);
        break;
    }
    default:
        data = elements(mesh.faces, faces);
        stride = sizeof(Face);
        break;
    }
    const py::dtype type = layout.integer ? py::dtype::of<std::int32_t>() : py::dtype::of<float>();
    std::vector<py::ssize_t> shape { py::ssize_t(data.second) };
    std::vector<py::ssize_t> strides { py::ssize_t(stride) };
    if (layout.columns > 0) {
        shape.push_back(layout.columns);
        strides.push_back(4);
    }
    py::array array;
    if (data.second == 0) {
        if (layout.columns > 0)
            array = py::array(type, std::vector<py::ssize_t> { 0, layout.columns });
        else
            array = py::array(type, std::vector<py::ssize_t> { 0 });
    } else {
        array = py::array(type, shape, strides, data.first + layout.offset, owner);
    }
    array.attr("setflags")(py::arg("write") = false);
    return array;
}

py::array morphogens(const Mesh& mesh)
{
    const std::size_t n = std::size_t(mesh.numVertices);
    const std::size_t k = mesh.morphogenNames.size();
    py::array_t<float> out(std::vector<py::ssize_t> { py::ssize_t(n), py::ssize_t(k) });
    auto w = out.mutable_unchecked<2>();
    // A vertex without its row (or a short one) reads 0.
    for (std::size_t v = 0; v < n; ++v) {
        const std::vector<float>* row
            = v < mesh.morphogenValues.size() ? &mesh.morphogenValues[v] : nullptr;
        for (std::size_t j = 0; j < k; ++j)
            w(py::ssize_t(v), py::ssize_t(j)) = row && j < row->size() ? (*row)[j] : 0.0f;
    }
    out.attr("setflags")(py::arg("write") = false);
    return out;
}

namespace {

template <class T>
py::array_t<T, py::array::c_style | py::array::forcecast> table(
    py::handle source, const char* name, py::ssize_t minColumns, py::ssize_t maxColumns)
{
    auto a = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(source);
    if (!a || a.ndim() != 2 || a.shape(1) < minColumns || a.shape(1) > maxColumns) {
        const std::string columns = minColumns == maxColumns
            ? std::to_string(minColumns)
            : std::to_string(minColumns) + " or " + std::to_string(maxColumns);
        throw py::value_error(std::string(name) + " takes an array of shape (n, " + columns + ")");
    }
    return a;
}

} // namespace

MeshHandle fromArrays(py::handle positionsIn, py::handle facesIn, py::handle coloursIn)
{
    const auto positions = table<float>(positionsIn, "positions", 3, 3);
    // Integers only: a float index would be cut silently.
    py::array rawFaces = py::array::ensure(facesIn);
    if (rawFaces && rawFaces.size() > 0 && rawFaces.dtype().kind() != 'i'
        && rawFaces.dtype().kind() != 'u')
        throw py::value_error("faces takes integer vertex indices");
    const auto faces = table<std::int64_t>(facesIn, "faces", 3, 3);
    const py::ssize_t n = positions.shape(0);
    const py::ssize_t m = faces.shape(0);
    if (n > py::ssize_t(INT32_MAX) || m > py::ssize_t(INT32_MAX))
        throw py::value_error("a mesh holds at most 2147483647 vertices and faces");
    if (m == 0)
        throw py::value_error("faces: a mesh needs at least one face");
    const auto f = faces.unchecked<2>();
    for (py::ssize_t i = 0; i < m; ++i) {
        for (py::ssize_t k = 0; k < 3; ++k) {
            if (f(i, k) < 0 || f(i, k) >= n) {
                throw py::value_error("faces: face " + std::to_string(i) + " names vertex "
                    + std::to_string(f(i, k)) + ", not one of 0 .. " + std::to_string(n - 1));
            }
        }
    }
    auto mesh = std::make_shared<Mesh>();
    if (!mesh->allocateVertices(int(n)) || !mesh->allocateFaces(int(m)))
        throw std::bad_alloc();
    const auto p = positions.unchecked<2>();
    for (py::ssize_t v = 0; v < n; ++v)
        mesh->vertices[std::size_t(v)] = Vector(p(v, 0), p(v, 1), p(v, 2), 1.0f);
    for (py::ssize_t i = 0; i < m; ++i) {
        Face& face = mesh->faces[std::size_t(i)];
        for (int k = 0; k < 3; ++k)
            face.index[k] = int(f(i, k));
    }
    if (coloursIn.is_none()) {
        paintDefaultColours(*mesh);
    } else {
        const auto colours = table<float>(coloursIn, "colours", 3, 4);
        if (colours.shape(0) != n)
            throw py::value_error("colours takes one row per vertex (" + std::to_string(n)
                + "), not " + std::to_string(colours.shape(0)));
        const auto c = colours.unchecked<2>();
        const bool alpha = colours.shape(1) == 4;
        for (py::ssize_t v = 0; v < n; ++v)
            mesh->vertexColours[std::size_t(v)]
                = Vector(c(v, 0), c(v, 1), c(v, 2), alpha ? c(v, 3) : 1.0f);
        mesh->vertexColoursSet = true;
    }
    mesh->selected = -1;
    {
        py::gil_scoped_release release;
        buildLoadData(*mesh);
    }
    return mesh;
}

} // namespace mesh_arrays
