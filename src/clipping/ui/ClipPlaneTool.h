#pragma once

#include "clipping/engine/PlaneWidgetInCube.h"
#include "mesh/engine/Vector.h"

#include <QString>

#include <cstdint>

class Mesh;

// The view's share of the clipping planes: the cube, what its slots and mouse
// handlers do with it, and the GL calls of a frame. The view keeps the
// clipMode flag and forwards to this.
class ClipPlaneTool
{
public:
    PlaneWidgetInCube clipCube;

    // A new mesh: a fresh cube around it, nothing selected.
    void meshLoaded(const Mesh& mesh);

    // Slot bodies. Those that change the selection return whether a plane is
    // still selected, which is the view's clipMode.
    bool select(int selected);
    void invert(int selected);
    // False after the cube's console line when the file cannot be read or
    // written.
    bool load(const QString& fn);
    bool save(const QString& fn);
    void showAll(int selected);
    void resetAll();
    void resetCurrent();

    // Mouse: code 1 left, 2 middle, 3 right; positions in logical pixels.
    void press(const Vector& position, int code);
    void drag(const Vector& position);
    void release();

    // Called with the modelview of the rotated but not yet centred scene:
    // draws the outlines, loads the equations and turns clipping on.
    void beginFrame() const;
    // Turns clipping off again.
    void endFrame() const;

    // Bumped by every change that shows in the picture.
    std::uint64_t revision() const { return changes; }

private:
    void changed() { ++changes; }

    std::uint64_t changes = 0;
};

// GL side of the cube, for the current context.
// Outlines of the selected planes in yellow with their corner points, the
// unselected ones in grey, as PlaneWidgetInCube::drawOrder lists them.
void drawPlanes(const PlaneWidgetInCube& cube);
// Loads plane i's equation into GL clip plane i.
void setClipPlanes(const PlaneWidgetInCube& cube);
// Enables one GL clip plane per plane of the cube, or disables all six.
void enableClipPlanes(const PlaneWidgetInCube& cube, bool on);
