#pragma once

#include <string>

class Mesh;
class Progress;

// Reduces mesh in place to (int)(numVertices * fraction) vertices by repeated
// vertex collapse: each vertex carries the cost of collapsing it onto its
// cheapest neighbour (edge length times a curvature term from the face normals),
// the cheapest vertex goes first (the first in vertex order among equals), and
// only the neighbours of a collapsed vertex have their cost refreshed.
//
// The survivors keep their order; the faces are the surviving triangles in their
// original order. Vertex colours, face colours and derived data come back at
// their defaults: the caller rebuilds what it needs. A fraction of 1 or more
// keeps every vertex, 0 or less removes everything. Returns false, with one line
// printed and the mesh as it was, for a fraction that is not a number or when
// memory runs out.
//
// A neighbour v is no candidate for u when collapsing u onto v would turn a
// triangle of u that survives the collapse over (its new normal against its
// current one); a vertex with neighbours but no candidate costs +inf. When such
// a vertex is the cheapest, the run stops short of the target: the mesh gets
// what is left, and stoppedAt (when given) the vertex count it stopped at, else
// -1.
bool simplify(Mesh& mesh, float fraction, Progress* progress = nullptr, int* stoppedAt = nullptr);
// The same with source only read: result becomes what simplify() makes of a
// copy of source, without the copy (result is left alone on false; it may be
// source itself, which is what simplify() does).
bool simplifyInto(const Mesh& source, Mesh& result, float fraction, Progress* progress = nullptr,
    int* stoppedAt = nullptr);

// "Simplification stopped at N vertices: every further collapse would fold the
// surface".
std::string foldStopMessage(int vertices);

// Simplification to a level of detail in percent: simplify to
// levelOfDetail / 100, then build the normals and the edge list. A caller that
// runs the load builds on the result next passes buildAfter false: the normals
// and edge list are then left to it.
bool simplifyMesh(
    Mesh& mesh, float levelOfDetail, Progress* progress = nullptr, int* stoppedAt = nullptr);
bool simplifyMeshInto(const Mesh& source, Mesh& result, float levelOfDetail,
    Progress* progress = nullptr, int* stoppedAt = nullptr, bool buildAfter = true);
