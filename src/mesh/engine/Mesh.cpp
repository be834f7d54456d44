#include "mesh/engine/Mesh.h"

#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <new>

namespace {

template <class V> void release(V& v)
{
    V().swap(v);
}

// Releases the arrays, then gives each n default entries, the arrays shared
// among the workers; on failure (a negative count or no memory) they stay
// released and the reason is printed.
template <class... Arrays> bool allocateArrays(int n, const char* what, Arrays&... arrays)
{
    (release(arrays), ...);
    if (n < 0)
        return false;
    try {
        resizeLargeShared(std::size_t(n), arrays...);
    } catch (const std::bad_alloc&) {
        (release(arrays), ...);
        std::printf("ERROR: not enough memory for %d %s\n", n, what);
        return false;
    }
    return true;
}

} // namespace

Mesh::Mesh()
{
    for (Vector& c : boxCorners)
        c = Vector(0);
}

void Mesh::clear()
{
    release(vertices);
    release(vertexNormals);
    release(vertexColours);
    release(texCoords);
    release(faces);
    clearFaceMarks();
    release(centroids);
    release(edgeVertices);
    release(edgeFaces);
    for (auto& row : morphogenValues)
        release(row);
    release(morphogenValues);
    numVertices = 0;
    numFaces = 0;
    numEdges = 0;
    vertexColoursSet = false;
    for (Vector& c : boxCorners)
        c = Vector(0);
}

bool Mesh::allocateVertices(int n)
{
    vertexColoursSet = false;
    // Texture coordinates are made only by the build that needs them.
    release(texCoords);
    numVertices = allocateArrays(n, "vertices", vertices, vertexNormals, vertexColours) ? n : 0;
    return numVertices == n;
}

bool Mesh::allocateFaces(int n)
{
    clearFaceMarks();
    numFaces = allocateArrays(n, "faces", faces, centroids) ? n : 0;
    return numFaces == n;
}

bool Mesh::allocateMorphogens(int n, int m)
{
    release(morphogenValues);
    if (n < 0 || m < 0)
        return false;
    // A mesh without morphogens has no rows at all.
    if (m == 0)
        return true;
    try {
        assignLarge(morphogenValues, std::size_t(n), std::vector<float>(std::size_t(m), 0.0f));
    } catch (const std::bad_alloc&) {
        release(morphogenValues);
        std::printf("ERROR: not enough memory for %d morphogens at %d vertices\n", m, n);
        return false;
    }
    return true;
}

void Mesh::copyFrom(const Mesh& other)
{
    if (&other == this)
        return;
    if (!allocateVertices(other.numVertices))
        return;
    for (int i = 0; i < numVertices; ++i) {
        vertices[std::size_t(i)] = other.vertices[std::size_t(i)];
        vertexColours[std::size_t(i)] = other.vertexColours[std::size_t(i)];
        vertexNormals[std::size_t(i)] = other.vertexNormals[std::size_t(i)];
    }
    vertexColoursSet = other.vertexColoursSet;
    if (!allocateFaces(other.numFaces))
        return;
    for (int f = 0; f < numFaces; ++f) {
        for (int k = 0; k < 3; ++k)
            faces[std::size_t(f)].index[k] = other.faces[std::size_t(f)].index[k];
    }
}

std::unique_ptr<Mesh> Mesh::clone() const
{
    auto copy = std::make_unique<Mesh>();
    if (!copy->allocateVertices(numVertices) || !copy->allocateFaces(numFaces))
        return copy;
    copy->vertices = vertices;
    copy->vertexNormals = vertexNormals;
    copy->vertexColours = vertexColours;
    copy->vertexColoursSet = vertexColoursSet;
    copy->faces = faces;
    copy->faceColours = faceColours;
    copy->faceTraversed = faceTraversed;
    copy->faceSegments = faceSegments;
    return copy;
}

std::unique_ptr<Mesh> Mesh::duplicate() const
{
    auto copy = std::make_unique<Mesh>();
    Mesh& c = *copy;
    c.numVertices = numVertices;
    c.numFaces = numFaces;
    c.selected = selected;
    c.extent = extent;
    c.centre = centre;
    c.vertices = vertices;
    c.vertexNormals = vertexNormals;
    c.vertexColours = vertexColours;
    c.vertexColoursSet = vertexColoursSet;
    c.texCoords = texCoords;
    c.centroids = centroids;
    c.faces = faces;
    c.faceColours = faceColours;
    c.faceTraversed = faceTraversed;
    c.faceSegments = faceSegments;
    c.morphogenValues = morphogenValues;
    c.morphogenNames = morphogenNames;
    c.edgeGraph = edgeGraph;
    c.numEdges = numEdges;
    c.edgeVertices = edgeVertices;
    c.edgeFaces = edgeFaces;
    c.vertexEdgeRefs = vertexEdgeRefs;
    c.faceNeighbourRefs = faceNeighbourRefs;
    std::copy(std::begin(boxCorners), std::end(boxCorners), std::begin(c.boxCorners));
    return copy;
}

void Mesh::truncateFaces(int n)
{
    if (n < 0 || n >= numFaces)
        return;
    faces.resize(std::size_t(n));
    centroids.resize(std::size_t(n));
    faces.shrink_to_fit();
    centroids.shrink_to_fit();
    // The marks stay empty when they are.
    const auto shrink = [n](auto& v) {
        if (!v.empty()) {
            v.resize(std::size_t(n));
            v.shrink_to_fit();
        }
    };
    shrink(faceColours);
    shrink(faceTraversed);
    shrink(faceSegments);
    numFaces = n;
}

namespace {

// Entry f of marks, the array first made at the default value for every face
// when it is empty.
template <class T> T& markOf(LargeVector<T>& marks, std::size_t f, std::size_t faces, T initial)
{
    if (marks.empty())
        assignLarge(marks, faces, initial);
    return marks[f];
}

} // namespace

PackedVector& Mesh::colourOf(std::size_t f)
{
    return markOf(faceColours, f, faces.size(), Face::defaultColour());
}

int& Mesh::traversedOf(std::size_t f)
{
    return markOf(faceTraversed, f, faces.size(), 0);
}

int& Mesh::segmentOf(std::size_t f)
{
    return markOf(faceSegments, f, faces.size(), 0);
}

void Mesh::clearFaceMarks()
{
    release(faceColours);
    release(faceTraversed);
    release(faceSegments);
}
