#pragma once

#include "filtering/engine/ProgressBar.h"
#include "mesh/engine/Vector.h"

#include <cstdint>
#include <vector>

class Mesh;
class Progress;

enum FilterAlgorithm : int {
    MEAN_SHIFT = 0,
    SHPERE_JUMP = 1,
    MEDIAN_FILTER = 2,
};

enum FilterMode : int {
    // Until every face is in a region.
    FILTER_FULL = 1,
    // One pass over the unvisited faces, then return; the next call goes on.
    FILTER_STEP = 2,
};

// Smooths the face normals of a mesh (needs centroids, face normals and the edge
// list built), writing nothing but face normals.
//
// Mean shift and sphere jump cut the surface into regions: a sphere of the
// kernel's radius around the first face not yet in a region catches every such
// face whose centroid lies inside; mean shift moves the sphere to the mean of
// the centroids caught and catches again until nothing more comes, sphere jump
// stops after the first catch. Every face of a region gets the region's
// (profile-weighted) mean normal. The state survives between calls, so a step
// run goes on where the last one stopped.
//
// The median filter gives every face, 50 times over, the mean normal of the
// faces within `depth` edge steps of it.
//
// Console lines and the progress bar go to standard output.
class MeanShiftFilter
{
public:
    explicit MeanShiftFilter(Mesh* mesh = nullptr);

    ProgressBar progress;
    Mesh* mesh = nullptr;
    // The last algorithm run or stored.
    int algorithm = MEAN_SHIFT;
    int seed = 0;
    // The region being grown: each member's centroid with w = its face index.
    std::vector<Vector> regionPoints;
    std::vector<std::vector<Vector>> regions;
    // WEIGHT_MODE: 1 weights each normal by the profile at its distance.
    int weightMode = 0;
    int profileHeight = 0;
    // Profile samples; y is a height in plot pixels (0 at the top), x the
    // horizontal plot position, the first sample's at the kernel's centre and
    // the last one's at its rim.
    std::vector<Vector> profile;
    // Per sample, the largest x of the samples up to it: where the curve first
    // reaches a position, also where it turns back on itself.
    std::vector<float> profileReach;
    // Kernel: x (= y = z) the sphere radius in model units, w the size value it
    // was made from (see kernelFromSlider).
    Vector radius { 0.0f, 0.0f, 0.0f, 0.0f };
    Vector pointSum { 0.0f, 0.0f, 0.0f, 0.0f };
    Vector normalSum { 0.0f, 0.0f, 0.0f, 0.0f };
    // The sphere's current centre.
    Vector centre { 0.0f, 0.0f, 0.0f, 0.0f };
    int processed = 0;
    int grew = 0;
    int done = 0;
    int needInit = 1;

    // Runs `algorithm` (stored for the next step) with this kernel. A kernel of
    // radius 0 in x, y and z refuses the run silently; an unknown algorithm does
    // nothing. The median filter ignores the mode and uses depth trunc(kernel.w).
    // progressSink, when given, also hears how far the run has come. Returns
    // whether face normals were written.
    bool run(const Vector& kernel, int mode, int algorithm, Progress* progressSink = nullptr);

    // Weights the normals by the profile `samples` (`height` plot pixels tall)
    // from now on: WEIGHT_MODE becomes 1.
    void setProfile(const std::vector<Vector>& samples, int height);
    // The profile's weight at distance d from the centre, in radii: the drawn
    // curve's height where it first reaches the horizontal position d of the way
    // from the first sample to the last, between samples by straight lines;
    // 1 - y / height, never below 0. Samples that all stand on one vertical
    // are looked up by the index nearest 100 d.
    float profileWeight(float d) const;

    // Faces not yet in a region of the current mean-shift or sphere-jump run.
    int unvisitedCount() const;

private:
    void runRegions(bool moving, int mode, Progress* progressSink);
    bool runMedian(int depth, Progress* progressSink);
    void initialise();
    void startRegion(Progress* progressSink);
    void catchInside();
    void addCaught(Progress* progressSink);
    void finishRegion(bool divide);
    void take(int face, Progress* progressSink);
    float weightAt(const Vector& point) const;
    int firstUnvisited();

    // The centroids in a uniform grid: the faces of each cell in index order,
    // those already taken dropped as cells are read, so that a catch reads only
    // the cells the sphere touches.
    void buildGrid(float cellWanted);
    std::vector<std::uint8_t> visited;
    // The current region's faces, as regionPoints lists them.
    std::vector<int> regionFaces;
    int cursor = 0;
    int unvisited = 0;
    float gridRadius = -1.0f;
    double gridMin[3] {};
    double cellSize = 1.0;
    int dims[3] { 1, 1, 1 };
    std::vector<std::uint32_t> cellStart;
    std::vector<std::uint32_t> cellEnd;
    std::vector<int> cellFaces;
    std::vector<int> caught;
};

// The kernel for a size value: radius value / 200 of the mesh's extent in x, y
// and z, the value itself in w.
Vector kernelFromSlider(float value, const Mesh& mesh);
