#include "filtering/ui/MeanShiftView.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/Mesh.h"
#include "viewer/ui/RenderModes.h"

#include <GL/gl.h>

#include <cstdio>

bool applyFilter(
    MeanShiftFilter& filter, Mesh& mesh, const Vector& page, int algorithm, Progress* progress)
{
    if (mesh.numVertices == 0)
        return false;
    return filter.run(kernelFromSlider(page.x, mesh), FILTER_FULL, algorithm, progress);
}

void storeFilterKernel(MeanShiftFilter& filter, const Mesh& mesh, const Vector& page, int algorithm)
{
    if (mesh.numVertices == 0)
        return;
    filter.radius = kernelFromSlider(page.x, mesh);
    filter.algorithm = algorithm;
}

bool stepFilter(MeanShiftFilter& filter, Mesh& mesh, const Vector& page, Progress* progress)
{
    if (mesh.numVertices == 0)
        return false;
    std::printf("Step\n");
    std::fflush(stdout);
    return filter.run(kernelFromSlider(page.x, mesh), FILTER_STEP, filter.algorithm, progress);
}

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
