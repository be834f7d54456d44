#pragma once

// The workbench's own parts, shared by its source files: the kinds of change
// of the rule table (Workbench.cpp) and what a step of the history keeps.

#include "workbench/engine/Workbench.h"

#include "mesh/engine/Mesh.h"

#include <cstdint>
#include <memory>
#include <vector>

// The rows of the rule table at the top of Workbench.cpp.
enum class Workbench::Kind {
    NewMesh,
    NewGeometry,
    Normals,
    Classification,
    Partition,
    Colouring,
    Pick,
    Mark
};

namespace workbench_parts {

template <class T, class A> inline std::uint64_t bytesOf(const std::vector<T, A>& v)
{
    return std::uint64_t(v.capacity()) * sizeof(T);
}

inline std::uint64_t meshBytes(const Mesh& m)
{
    std::uint64_t bytes = sizeof(Mesh) + bytesOf(m.vertices) + bytesOf(m.vertexNormals)
        + bytesOf(m.vertexColours) + bytesOf(m.texCoords) + bytesOf(m.centroids) + bytesOf(m.faces)
        + bytesOf(m.faceColours) + bytesOf(m.faceTraversed) + bytesOf(m.faceSegments)
        + bytesOf(m.edgeVertices) + bytesOf(m.edgeFaces) + bytesOf(m.vertexEdgeRefs.offsets)
        + bytesOf(m.vertexEdgeRefs.items) + bytesOf(m.faceNeighbourRefs.offsets)
        + bytesOf(m.faceNeighbourRefs.items) + bytesOf(m.morphogenValues);
    for (const auto& values : m.morphogenValues)
        bytes += bytesOf(values);
    return bytes;
}

// The mesh as read, for the backup and for reload: copyFrom() carries
// positions, colours and corners, not the morphogens the file gave. False
// when memory ran out and the copy came out short.
inline bool copyAsRead(Mesh& to, const Mesh& from)
{
    to.copyFrom(from);
    to.morphogenValues = from.morphogenValues;
    to.morphogenNames = from.morphogenNames;
    return to.numVertices == from.numVertices && to.numFaces == from.numFaces;
}

// What a step (or an open) that ran out of memory tells the user.
inline std::string memoryMessage(const std::string& what)
{
    return "not enough memory for " + what;
}

} // namespace workbench_parts

// The parts of the workbench's state one step replaced. exchange() swaps each
// part held with the workbench's, so the same snapshot serves Undo and Redo.
struct Workbench::Snapshot
{
    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<Mesh> backup;
    std::unique_ptr<PlaneWidgetInCube> cube;
    // A new mesh's step keeps the file it replaced.
    bool hasFile = false;
    std::string fileName;
    std::string untitledName;
    std::vector<std::uint64_t> fileStates;
    std::uint64_t backupState = 0;
    std::unique_ptr<ClassifierState> classifier;
    std::unique_ptr<MeanShiftFilter> filter;
    bool hasVertexColours = false;
    LargeVector<Vector> vertexColours;
    bool vertexColoursSet = false;
    bool hasVertexNormals = false;
    LargeVector<Vector> vertexNormals;
    bool hasFaceNormals = false;
    LargeVector<PackedVector> faceNormals;
    bool hasFaceMarks = false;
    // The mesh's face mark arrays as they were (each empty when it was).
    LargeVector<PackedVector> faceColourMarks;
    LargeVector<int> faceTraversedMarks;
    LargeVector<int> faceSegmentMarks;
    // The faces flagged by a traversal and their flags: picks are frequent,
    // and a traversal changes nothing else, so a pick keeps only these.
    bool hasTraversed = false;
    std::vector<std::pair<int, int>> traversed;
    // Always held: what is shown, the pick and the segment numbering with the
    // latest traversal's highlight, and which geometry the mesh is.
    bool faceColours = false;
    bool normalShading = false;
    int selected = -1;
    int shownPatch = -1;
    int segmentCount = 0;
    std::vector<int> highlight;
    std::uint64_t geometry = 0;
    std::uint64_t meshState = 0;

    void keepFaceMarks(const Mesh& m)
    {
        hasFaceMarks = true;
        faceColourMarks = m.faceColours;
        faceTraversedMarks = m.faceTraversed;
        faceSegmentMarks = m.faceSegments;
    }
    static std::vector<std::pair<int, int>> flagged(const Mesh& m)
    {
        std::vector<std::pair<int, int>> list;
        for (std::size_t f = 0; f < m.faceTraversed.size(); ++f) {
            if (m.faceTraversed[f] != 0)
                list.emplace_back(int(f), m.faceTraversed[f]);
        }
        return list;
    }
    void keepTraversed(const Mesh& m)
    {
        hasTraversed = true;
        traversed = flagged(m);
    }
    void keepFaceNormals(const Mesh& m)
    {
        hasFaceNormals = true;
        faceNormals.resize(m.faces.size());
        for (std::size_t f = 0; f < faceNormals.size(); ++f)
            faceNormals[f] = m.faces[f].normal;
    }
    std::uint64_t bytes() const
    {
        std::uint64_t b = sizeof(Snapshot) + workbench_parts::bytesOf(vertexColours)
            + workbench_parts::bytesOf(vertexNormals) + workbench_parts::bytesOf(faceNormals)
            + workbench_parts::bytesOf(faceColourMarks)
            + workbench_parts::bytesOf(faceTraversedMarks)
            + workbench_parts::bytesOf(faceSegmentMarks) + workbench_parts::bytesOf(traversed)
            + workbench_parts::bytesOf(highlight);
        if (mesh)
            b += workbench_parts::meshBytes(*mesh);
        if (backup)
            b += workbench_parts::meshBytes(*backup);
        if (classifier) {
            b += sizeof(ClassifierState) + workbench_parts::bytesOf(classifier->patchOfFace)
                + workbench_parts::bytesOf(classifier->centroids);
            for (const auto& row : classifier->memberships)
                b += workbench_parts::bytesOf(row);
        }
        if (filter)
            b += sizeof(MeanShiftFilter) + workbench_parts::bytesOf(filter->regionPoints)
                + workbench_parts::bytesOf(filter->profile);
        return b;
    }
};
