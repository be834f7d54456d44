#pragma once

#include "mesh/engine/EdgeGraph.h"
#include "mesh/engine/Face.h"
#include "mesh/engine/FlatLists.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Vector.h"

#include <memory>
#include <string>
#include <vector>

// The triangle mesh every tool works on.
//
// The per-vertex arrays hold numVertices entries once allocated, the per-face
// arrays numFaces. Derived data (normals, centroids, texture coordinates, box,
// edges) is valid only after the matching build() and goes stale when the
// geometry changes.
//
// Tools visit the faces in the order of `faces`. A Mesh is not copyable (its
// arrays can be large enough that a copy must be asked for); use copyFrom(),
// clone() or duplicate().
class Progress;

// Whether orientFaces() swaps corners 1 and 2 of a face with normal n whose
// corners, seen from its centroid and made unit, are a, b1 and b2: when b2 is
// no further round n from a than b1 is, the angles in degrees of float in
// [0, 360). The second form works both angles out every time; the first only
// where the sides of the half turn they lie on leave it open.
bool orientationSwaps(const Vector& n, const Vector& a, const Vector& b1, const Vector& b2);
bool orientationSwapsByAngles(const Vector& n, const Vector& a, const Vector& b1, const Vector& b2);

class Mesh
{
public:
    Mesh();
    ~Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    Mesh(Mesh&&) = default;
    Mesh& operator=(Mesh&&) = default; // NOLINT(bugprone-reserved-identifier): tool artefact

    int numVertices = 0;
    int numFaces = 0;
    // The picked face as a 1-based face number; -1 or 0 means none.
    int selected = -1;
    float extent = 1.0f;
    Vector centre;

    LargeVector<Vector> vertices;
    LargeVector<Vector> vertexNormals;
    LargeVector<Vector> vertexColours;
    // True when vertexColours are the mesh's own colours: read from its file or
    // made by a colouring tool, which sets it after writing them. False when they
    // only hold the default colour (or nothing), so that saving the mesh writes
    // colours only for a mesh that has some. Reset by clear() and
    // allocateVertices(); carried by copyFrom(), clone() and moves.
    bool vertexColoursSet = false;
    // Empty until the texture coordinates are built.
    LargeVector<Vector> texCoords;
    LargeVector<Vector> centroids;
    LargeVector<Face> faces;

    // The marks the segmentation tools put on faces: a colour, a traversal flag
    // and a segment number each. An array stays empty until a tool writes to
    // it, and an empty array means every face holds the default (the default
    // colour, flag 0, segment 0): most meshes are never segmented, and a face
    // costs no memory for them. Read them through the accessors below; write
    // through the ...Of() ones, which make the array first.
    LargeVector<PackedVector> faceColours;
    LargeVector<int> faceTraversed;
    LargeVector<int> faceSegments;

    // morphogenValues[v][j]: concentration of morphogen j at vertex v; no rows
    // when the mesh has no morphogens.
    std::vector<std::vector<float>> morphogenValues;
    std::vector<std::string> morphogenNames;

    EdgeGraph edgeGraph;
    int numEdges = 0;
    // Edge e: vertices low, high at 2e, 2e + 1; faces face1, face2 (-1 for none).
    LargeVector<int> edgeVertices;
    LargeVector<int> edgeFaces;
    // A reference is a slot index into edgeVertices (for vertexEdgeRefs) or
    // edgeFaces (for faceNeighbourRefs): the slot holding the other end. The edge
    // number is slot / 2.
    // Empty until buildEdgeReferences() makes them.
    FlatLists<int> vertexEdgeRefs;
    FlatLists<int> faceNeighbourRefs;

    Vector boxCorners[8];

    // Releases the geometry and derived arrays and zeroes the counts. Morphogen
    // names, the edge graph and the reference lists stay until the next build.
    void clear();
    // Each returns false, leaving the mesh without those arrays, when memory for
    // n entries cannot be had; the reason is printed.
    bool allocateVertices(int n);
    bool allocateFaces(int n);
    bool allocateMorphogens(int n, int m);

    // Positions, vertex colours, vertex normals and the triangles' corners of
    // other; nothing else (the caller runs the builds it needs).
    void copyFrom(const Mesh& other);
    // A heap copy with positions, vertex normals and colours and complete face
    // records; no texture coordinates, centroids, box, morphogens or edges.
    std::unique_ptr<Mesh> clone() const;
    // A heap copy of everything, derived data included, with the faces pointing
    // into the copy: a tool run on it gives what it gives on this mesh.
    std::unique_ptr<Mesh> duplicate() const;

    PackedVector colour(std::size_t f) const
    {
        return faceColours.empty() ? Face::defaultColour() : faceColours[f];
    }
    int traversed(std::size_t f) const { return faceTraversed.empty() ? 0 : faceTraversed[f]; }
    int segment(std::size_t f) const { return faceSegments.empty() ? 0 : faceSegments[f]; }
    PackedVector& colourOf(std::size_t f);
    int& traversedOf(std::size_t f);
    int& segmentOf(std::size_t f);
    // Every face back to the default marks, their arrays released.
    void clearFaceMarks();

    // Corner k of face.
    const Vector& corner(const Face& face, int k) const { return face.vertex(vertices.data(), k); }
    // Makes every face's corners run counter-clockwise about its stored normal,
    // swapping corners 1 and 2 where they do not. Needs face normals and
    // centroids built. Reports "Orienting faces" to progress.
    void orientFaces(Progress* progress = nullptr);
    // Makes vertexEdgeRefs and faceNeighbourRefs from the edge list, unless they
    // are there; false when no edge list is built.
    bool buildEdgeReferences();
    // Shrinks the face arrays to the first n faces (n <= numFaces).
    void truncateFaces(int n);
};
