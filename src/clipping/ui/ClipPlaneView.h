#pragma once

#include "clipping/engine/PlaneWidgetInCube.h"

// The view's share of the clipping planes: the GL side of the cube, for the
// current context.

// Called with the modelview of the rotated but not yet centred scene: draws
// the outlines, loads the equations and turns clipping on.
void beginClipping(const PlaneWidgetInCube& cube);
// Turns clipping off again.
void endClipping(const PlaneWidgetInCube& cube);

// Outlines of the selected planes in yellow with their corner points, the
// unselected ones in grey, as PlaneWidgetInCube::drawOrder lists them.
void drawPlanes(const PlaneWidgetInCube& cube);
// Loads plane i's equation into GL clip plane i.
void setClipPlanes(const PlaneWidgetInCube& cube);
// Enables one GL clip plane per plane of the cube, or disables all six.
void enableClipPlanes(const PlaneWidgetInCube& cube, bool on);
