#include "clipping/ui/ClipPlaneView.h"

#include <GL/gl.h>

#include <algorithm>

namespace {

constexpr int kGlClipPlanes = 6;

int clipPlaneCount(const PlaneWidgetInCube& cube)
{
    return int(std::min(cube.planes.size(), std::size_t(kGlClipPlanes)));
}

void lineLoop(const std::vector<Vector>& outline)
{
    glBegin(GL_LINE_LOOP);
    for (const Vector& v : outline) {
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
}

} // namespace

void beginClipping(const PlaneWidgetInCube& cube)
{
    drawPlanes(cube);
    setClipPlanes(cube);
    enableClipPlanes(cube, true);
}

void endClipping(const PlaneWidgetInCube& cube)
{
    enableClipPlanes(cube, false);
}

void drawPlanes(const PlaneWidgetInCube& cube)
{
    const std::vector<PlaneWidgetInCube::Stroke> strokes = cube.drawOrder();
    if (strokes.empty()) {
        return;
    }
    // Outlines show in the colours they are given, unlit, and leave the line
    // width of the mesh drawing as they found it.
    glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    for (const PlaneWidgetInCube::Stroke& stroke : strokes) {
        const std::vector<Vector>& outline = cube.outlines[std::size_t(stroke.plane)];
        if (stroke.selected) {
            glColor3f(1.0f, 1.0f, 0.0f);
            lineLoop(outline);
            glBegin(GL_POINTS);
            for (const Vector& v : outline) {
                glVertex3f(v.x, v.y, v.z);
            }
            glEnd();
        } else {
            glColor3f(0.5f, 0.5f, 0.5f);
            glLineWidth(2.0f);
            lineLoop(outline);
            glLineWidth(1.0f);
        }
    }
    glPopAttrib();
}

void setClipPlanes(const PlaneWidgetInCube& cube)
{
    for (int i = 0; i < clipPlaneCount(cube); ++i) {
        glClipPlane(GLenum(GL_CLIP_PLANE0 + i), cube.planes[std::size_t(i)].equation);
    }
}

void enableClipPlanes(const PlaneWidgetInCube& cube, bool on)
{
    // Off means all six, whatever the cube holds now.
    const int count = on ? clipPlaneCount(cube) : kGlClipPlanes;
    for (int i = 0; i < count; ++i) {
        if (on) {
            glEnable(GLenum(GL_CLIP_PLANE0 + i));
        } else {
            glDisable(GLenum(GL_CLIP_PLANE0 + i));
        }
    }
}
