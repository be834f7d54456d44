#pragma once

class MeanShiftFilter;

// The view's share of the filters: the kernel sphere around the filter's
// centre, red and lit with a black wire, front faces culled so that the far
// half shows behind the mesh. Expects the mesh's centred frame; leaves
// lighting on and culling off. Nothing for an empty mesh or a radius of 0.
void drawKernelSphere(const MeanShiftFilter& filter);
