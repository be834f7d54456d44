#include "segmentation/engine/EdgeTraversal.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/HsvToRgb.h"
#include "mesh/engine/Mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// The fold between two face normals in degrees, 0 .. 90: opposite-facing
// neighbours count as parallel.
float foldDegrees(const Vector& a, const Vector& b)
{
    // Unit normals can dot to a hair above 1 (or below -1); acos would then give
    // NaN and refuse a coplanar neighbour at any angle limit.
    const float d = std::clamp(b.dot(a), -1.0f, 1.0f);
    float theta = float(std::acos(double(d)));
    if (theta < 0.0f)
        theta = 0.0f;
    float degrees = float(double(theta) * 180.0 / 3.141592654);
    if (degrees > 90.0f)
        degrees = float(180.0 - double(degrees));
    return degrees;
}

} // namespace

bool traversalAllowed(const Mesh& mesh)
{
    return mesh.numVertices > 0 && mesh.selected >= 0 && mesh.selected <= mesh.numFaces;
}

void EdgeTraversal::run(int depth_, int angle_)
{
    depth = depth_;
    angle = angle_;
    if (!mesh)
        return;
    std::fill(mesh->faceTraversed.begin(), mesh->faceTraversed.end(), 0);
    const int start = mesh->selected - 1;
    if (depth <= 0 || start < 0 || start >= mesh->numFaces)
        return;
    // Without an edge build there are no neighbours: nothing is reached.
    if (!buildNeighbourLists(*mesh))
        return;
    const FlatLists<int>& neighbours = mesh->edgeGraph.faceNeighbours;

    const auto limit = float(angle);
    std::vector<int> layer { start };
    std::vector<int> next;
    for (int level = 0; level < depth && !layer.empty(); ++level) {
        next.clear();
        // Consumed from the back, as the layers always have been; the order
        // decides the order of the next layer, not which faces are reached.
        while (!layer.empty()) {
            const int a = layer.back();
            layer.pop_back();
            const Vector& normalA = mesh->faces[std::size_t(a)].normal;
            for (const int b : neighbours[std::size_t(a)]) {
                if (mesh->traversed(std::size_t(b)) != 0)
                    continue;
                const float degrees = foldDegrees(normalA, mesh->faces[std::size_t(b)].normal);
                if (-limit < degrees && degrees < limit) {
                    mesh->traversedOf(std::size_t(b)) = 1;
                    next.push_back(b);
                }
            }
        }
        std::swap(layer, next);
    }
}

void EdgeTraversal::markCurrent()
{
    if (!mesh)
        return;
    ++segmentCount;
    // rand() here reaches 2^31 - 1; the hue scale wants 0 .. 32767.
    const int r = randomHue ? randomHue() : std::rand() % 32768;
    const double hue = double(r) / 32767.0 * 360.0;
    // A hue of exactly 360 lies outside the six sectors and leaves black.
    float red = 0.0f, green = 0.0f, blue = 0.0f;
    hsvToRgb(float(hue), 1.0f, 1.0f, red, green, blue);
    const Vector colour(red, green, blue, 1.0f);
    for (std::size_t f = 0; f < mesh->faceTraversed.size(); ++f) {
        if (mesh->faceTraversed[f] == 1) {
            mesh->colourOf(f) = colour;
            mesh->faceTraversed[f] = 0;
            mesh->segmentOf(f) = segmentCount;
        }
    }
}

SegmentExportReport EdgeTraversal::saveAll(const std::string& directory) const
{
    if (!mesh)
        return {};
    return writeSegmentFiles(*mesh, segmentCount, directory);
}
