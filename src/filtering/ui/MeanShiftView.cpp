#include "filtering/ui/MeanShiftView.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/Mesh.h"
#include "viewer/ui/RenderModes.h"

#include <GL/gl.h>

void drawKernelSphere(const MeanShiftFilter& filter)
{
    glDisable(GL_LIGHTING);
    if (!filter.mesh || filter.mesh->numVertices == 0 || !(filter.radius.x > 0.0f))
        return;
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glEnable(GL_LIGHTING);
    glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
    drawSphere(filter.centre, filter.radius.x, 25, GL_QUAD_STRIP);
    glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    drawSphere(filter.centre, filter.radius.x, 25, GL_LINE_LOOP);
    glDisable(GL_CULL_FACE);
}
