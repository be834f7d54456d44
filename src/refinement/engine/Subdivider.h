#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Mesh;
class Progress;

// Interpolating butterfly subdivision: every level splits each triangle into
// four, keeps the old vertices where they are and puts one new vertex on every
// edge, at the midpoint corrected by the eight-point butterfly stencil.
//
// A run reads `source` and leaves the refined mesh in `result`. The edge table
// is rebuilt for every level and is distinct from the mesh's own edge list.
class Subdivider
{
public:
    // Tension added to the standard butterfly weight, -0.125 .. 0.125. With 0 the
    // stencil is (1/2, 1/8, -1/16); with -0.0625 every new vertex is a midpoint.
    float weight = 0.0f;
    int levels = 0;
    // The mesh to refine; only read, and it must outlive the run.
    const Mesh* source = nullptr;
    // The refined mesh after a run, with vertex normals and texture coordinates
    // built and no centroids (a caller builds them when it needs them); null
    // before a run, after a run with no levels, and after a failure.
    std::unique_ptr<Mesh> result;
    // The edge table of the level being built: vertices in the orientation first
    // met and faces (first, second; -1 while there is no second), numbered in
    // order of first appearance walking the faces and corner pairs 01, 12, 20.
    // After a run it holds the table of the last level.
    int edgeCount = 0;
    std::vector<int> edgeVertices;
    std::vector<int> edgeFaces;

    Subdivider();
    ~Subdivider();

    // Refines source `levels` times into result. Returns false (result null, one
    // line printed) when memory runs out; with no source or no levels it does
    // nothing and returns true with result null.
    bool subdivide(Progress* progress = nullptr);

private:
    // Per face of the level, the table numbers of its edges P-Q, Q-R, R-P.
    std::vector<int> faceEdges;
};

// The largest face count the machine can hold for a subdivided mesh, from the
// memory available now and the 32-bit counts and indices.
std::int64_t subdivisionFaceLimit(const Mesh& mesh);

// Bytes subdivideMesh holds at its peak for `levels` levels of mesh.
double subdivisionBytes(const Mesh& mesh, int levels);

// Why `levels` levels of subdivision of mesh cannot be done, or an empty string
// when they can. Looks only at the counts: nothing is allocated.
std::string subdivisionRefusal(const Mesh& mesh, int levels);

// Subdivides mesh in place: refines it `levels` times with the given tension, replaces mesh's vertices and faces by the result (default face
// colours, vertex colours (0, 0, 0, 1)) and builds the edge list, then the
// normals. Returns false, with one line printed and mesh as it was, when the
// result would not fit or memory runs out. With levels <= 0 mesh is unchanged.
bool subdivideMesh(
    Mesh& mesh, Subdivider& subdivider, int levels, float weight, Progress* progress = nullptr);
// The same, refining source into mesh, which may be source itself. Only source
// is read; mesh ends as source itself would: the refined geometry, and the
// pick, centre, extent and morphogen names of source. A caller that runs the
// load builds on the result next passes buildAfter false: the edge list and
// normals are then left to it.
bool subdivideMesh(const Mesh& source, Mesh& mesh, Subdivider& subdivider, int levels,
    float weight, Progress* progress = nullptr, bool buildAfter = true);
