#pragma once

#include "segmentation/engine/SegmentExport.h"

#include <functional>
#include <string>

class Mesh;

// Grows a region of faces from the picked face across shared edges, stopping at
// creases, and turns grown regions into numbered, coloured segments.
//
// Works on the mesh it is bound to; needs its face normals and edge graph built.
class EdgeTraversal
{
public:
    EdgeTraversal() = default;
    explicit EdgeTraversal(Mesh* m)
        : mesh(m)
    { }

    // Number of the last segment marked; segments are numbered from 1.
    int segmentCount = 0;
    // The values of the last run, reused when a pick starts a traversal.
    int depth = 0;
    int angle = 0;
    Mesh* mesh = nullptr;

    // Where markCurrent() takes its hue from: an integer in 0 .. 32767. By
    // default the C runtime's generator, never seeded here.
    std::function<int()> randomHue;

    // Stores depth and angle, clears every face's `traversed` flag, then grows
    // `depth` layers from face `selected` - 1: a neighbour is taken (flagged 1)
    // when the angle between the two face normals, folded into 0 .. 90 degrees,
    // lies strictly inside (-angle, angle). Without a valid picked face, or with
    // depth 0 or less, nothing is flagged.
    void run(int depth, int angle);

    // Makes the flagged faces the next segment: a new segment number (used up
    // even when nothing is flagged), one random hue as their colour, flags
    // cleared.
    void markCurrent();

    // Writes the unsegmented faces, one file per segment 1 .. segmentCount and
    // all segmented faces together into directory (empty: the working
    // directory); see writeSegmentFiles().
    SegmentExportReport saveAll(const std::string& directory = {}) const;
};

// Whether a traversal or a mark may act on mesh: it has faces and its
// `selected` lies in 0 .. numFaces.
bool traversalAllowed(const Mesh& mesh);
