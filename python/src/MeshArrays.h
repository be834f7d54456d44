#pragma once

#include <pybind11/numpy.h>

#include <memory>

class Mesh;

// What a Python Mesh holds: a mesh that nothing changes once it is wrapped,
// so that arrays may view its memory for as long as they keep it alive.
using MeshHandle = std::shared_ptr<Mesh>;

// The one place that knows how the mesh's fields lie in memory and hands them
// out as numpy arrays. Everything else asks for a field by name.
namespace mesh_arrays {

enum class Field {
    Positions, // (n, 3) float32
    VertexNormals, // (n, 3) float32
    VertexColours, // (n, 4) float32, r g b a
    Faces, // (m, 3) int32, 0-based vertex indices
    FaceNormals, // (m, 3) float32
    FaceColours, // (m, 4) float32
    Segments, // (m,) int32: the segment a mark put the face in, 0 none
    Traversed, // (m,) int32: 1 for the faces the latest traversal reached
    Centroids, // (m, 3) float32
};

// A read-only view of field in mesh, whose base is owner (the Python object
// holding the mesh), so the mesh lives as long as the view. An array the mesh
// has not built gives shape (0, k).
pybind11::array view(const Mesh& mesh, Field field, pybind11::handle owner);

// The morphogen values, (n, k) float32: a copy, as each vertex keeps its own
// row (0 where a vertex has none).
pybind11::array morphogens(const Mesh& mesh);

// A mesh from numpy arrays, built as a file's load builds it (centre,
// centroids, edge list, normals, box, oriented faces). positions (n, 3),
// faces (m, 3) with indices 0 .. n - 1, colours (n, 3) or (n, 4) in 0 .. 1 or
// none (then the default colour, not the mesh's own). Throws ValueError for
// shapes or indices that do not fit.
MeshHandle fromArrays(pybind11::handle positions, pybind11::handle faces, pybind11::handle colours);

} // namespace mesh_arrays
