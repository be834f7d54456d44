#pragma once

#include "mesh/engine/Vector.h"

#include <array>
#include <cstdint>
#include <vector>

struct Face;
class Mesh;

// Whether the segment from p0 to p1 crosses the face (corners counter-clockwise
// about its normal), from the corners alone: the stored normal may hold a
// filter's result and is neither read nor written.
// An end lying in the face's plane is no crossing; a point on an edge or a
// corner counts as inside. On success the crossing point goes to hit.
bool intersectRay(
    const Mesh& mesh, const Face& face, const Vector& p0, const Vector& p1, Vector& hit);

// The face nearest to p0 that the segment p0-p1 crosses, as a 1-based face
// number, the lower index winning on equal distances; 0 when none is crossed.
// Tests every face in order.
int nearestFaceLinear(const Mesh& mesh, const Vector& p0, const Vector& p1);

// Cuts the segment p0-p1 down to the part that every plane keeps (the points
// with A x + B y + C z + D >= 0, as a GL clip plane keeps them), so that a pick
// finds the face seen through a clipped-away region. False when no part is kept.
bool clipSegment(const std::vector<std::array<double, 4>>& planes, Vector& p0, Vector& p1);

// A bounding-volume hierarchy over a mesh's faces that answers the same question
// as nearestFaceLinear with the same result, visiting only the faces whose boxes
// the segment meets. Build it again whenever positions or faces change.
class FaceBvh
{
public:
    // Builds over the mesh's current faces.
    explicit FaceBvh(const Mesh& mesh);

    // As nearestFaceLinear.
    int nearestFace(const Mesh& mesh, const Vector& p0, const Vector& p1) const;

    std::size_t nodeCount() const { return nodes.size(); }

private:
    struct Node
    {
        float lo[3];
        float hi[3];
        // Leaf: first face slot and count; inner: left child (right = left + 1).
        std::int32_t start;
        std::int32_t count;
    };
    std::vector<Node> nodes;
    std::vector<std::int32_t> order;
    // Widening of every box so that a hit point rounded just outside its face's
    // box still finds the face.
    float slack = 0.0f;
};
