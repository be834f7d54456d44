#pragma once

#include "mesh/engine/Vector.h"

// Turns mouse drags into rotations: a viewport point maps onto a unit sphere
// over the viewport, and the rotation from the click point to the drag point is
// added to the rotation held at the click. The quaternion built from the two
// sphere points is left unnormalised, so the object turns by twice the angle
// between them (centre to the right edge is half a turn).
//
// The scene's arcball keeps both constraints at 0; a clipping plane restricts
// its own arcball to one viewport axis and one rotation axis.
class ArcBall
{
public:
    ArcBall();

    // Which viewport axes mapToSphere maps: 0 both, 1 only y, 2 only x, else none.
    int constrainMapping = 0;
    // How drag takes the rotation axis from the cross product: 0-2 as is, 3-4 with
    // x and z exchanged, 5-6 with y and z exchanged, else no axis.
    int constrainRotation = 0;
    bool isDragging = false;

    Vector lastPoint { 0.0f, 0.0f, 0.0f, 0.0f };
    // Multiplied onto the modelview each frame.
    float transform[16];
    float lastRotation[9];
    float thisRotation[9];
    Vector startVector { 0.0f, 0.0f, 0.0f, 0.0f };
    Vector endVector { 0.0f, 0.0f, 0.0f, 0.0f };
    float adjustWidth = 0.0f;
    float adjustHeight = 0.0f;

    // Viewport size in pixels; a side below 2 counts as 2.
    void setBounds(float width, float height);
    // Starts a drag at a viewport point (x right, y down).
    void click(const Vector& point);
    // Updates the rotation while a drag is under way; otherwise does nothing.
    void drag(const Vector& point);
    // Ends the drag.
    void release() { isDragging = false; }
    // The sphere point under a viewport point; outside the disc, the nearest point
    // on its rim (z = 0).
    Vector mapToSphere(const Vector& point) const;
};
