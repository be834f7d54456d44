#pragma once

#include "mesh/engine/Vector.h"

#include <initializer_list>
#include <span>

class Mesh;
class Progress;

// Build codes: callers name exactly the derived data they need, in order.
enum BuildCode : int {
    MESH_CENTRE = 2,
    MESH_VERTEX_NORMALS = 3,
    MESH_FACE_NORMALS = 4,
    MESH_TEXCOORDS = 5,
    MESH_EDGE_LIST = 6,
    MESH_CENTROIDS = 7,
    MESH_BB = 8,
};

// Runs the builders of the given codes in the given order (a repeated code runs
// again; unknown codes are skipped), announcing each on standard output as
// "BUILDING: <NAME> <NAME> \n\n". With a progress, the builders on faces
// check it as they go; when it stops them (RunCancelled) the line is ended and
// the mesh's derived data is left half built.
void build(Mesh& mesh, std::span<const int> codes, Progress* progress = nullptr);
void build(Mesh& mesh, std::initializer_list<int> codes, Progress* progress = nullptr);
// As build(), announcing the same, except that MESH_VERTEX_NORMALS makes the
// face normals only: for a caller that builds the vertex normals again before
// anything reads them.
void buildFaceNormalsOnly(Mesh& mesh, std::initializer_list<int> codes, Progress* progress);

// The single builders, without console output.
void buildCentre(Mesh& mesh);
void buildCentroids(Mesh& mesh, Progress* progress = nullptr);
// Face normals, then vertex normals renormalised after every face's
// contribution (so the result depends on face order) unless faceNormalsOnly.
void buildNormals(Mesh& mesh, Progress* progress = nullptr, bool faceNormalsOnly = false);
void buildTexCoords(Mesh& mesh, Progress* progress = nullptr);
void buildBoundingBox(Mesh& mesh);

// The box of the mesh's vertices; all zero for a mesh without vertices.
struct Box
{
    Vector min, max;
};
Box boundingBox(const Mesh& mesh);
// The edge list; a mesh without vertices is left untouched. Linear in the
// number of faces. The neighbour lists of the edge graph and the mesh's
// reference lists are dropped, to be made when asked for.
void buildEdgeList(Mesh& mesh, Progress* progress = nullptr);
// Makes the edge graph's vertex and face neighbour lists from the mesh's edge
// list, in the order the edges were met, unless they are there already.
// False, nothing made, when the mesh has no edge list built. Reports
// "Building neighbours" to progress.
bool buildNeighbourLists(Mesh& mesh, Progress* progress = nullptr);
