#pragma once

#include "mesh/engine/Vector.h"

class Mesh;
class MeanShiftFilter;
class Progress;

// The view's share of the filters: what its slots do with the page's kernel
// (x = the radius slider value) and how the kernel sphere is drawn. The view
// stays a thin forwarder; none of these repaint.

// A full run of `algorithm` with the kernel derived from the slider value.
// Returns true when face normals were written; an empty mesh, a kernel of 0, an
// unknown algorithm or a refused depth change nothing.
bool applyFilter(
    MeanShiftFilter& filter, Mesh& mesh, const Vector& page, int algorithm, Progress* progress);
// Keeps the kernel and the algorithm for the next step; nothing runs.
void storeFilterKernel(
    MeanShiftFilter& filter, const Mesh& mesh, const Vector& page, int algorithm);
// Prints "Step", then one pass of the stored algorithm. Returns as applyFilter.
bool stepFilter(MeanShiftFilter& filter, Mesh& mesh, const Vector& page, Progress* progress);

// The kernel sphere around the filter's centre, red and lit with a black wire,
// front faces culled so that the far half shows behind the mesh. Expects the
// mesh's centred frame; leaves lighting on and culling off. Nothing for an
// empty mesh or a radius of 0.
void drawKernelSphere(const MeanShiftFilter& filter);
