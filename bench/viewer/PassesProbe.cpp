// viewer_passes MESH: time of each drawing pass alone, buffered against
// immediate, to see where a frame's time goes.
#include "ImmediateMeshDrawer.h"
#include "common/BenchMeshes.h"
#include "common/CpuTime.h"
#include "mesh/QuietStdout.h"

#include "mesh/engine/Mesh.h"
#include "viewer/ui/BufferedMeshDrawer.h"
#include "viewer/ui/QtGLWidget.h"

#include <QApplication>
#include <QTest>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

namespace {

class ProbeView : public QtGLWidget
{
public:
    void frame()
    {
        makeCurrent();
        paintGL();
        glFinish();
    }
};

struct Pass
{
    const char* name;
    unsigned int primitive;
    bool lit, stipple, blend;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::string path = benchMeshPath(argc > 1 ? argv[1] : "stanford-bunny.obj");
    if (path.empty())
        return 1;
    ProbeView view;
    view.resize(800, 600);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return 1;
    {
        QuietStdout quiet;
        view.loadMesh(QString::fromStdString(path));
    }
    view.frame();
    BufferedMeshDrawer buffered;
    ImmediateMeshDrawer immediate;
    const Pass passes[] = {
        { "triangles, lit", GL_TRIANGLES, true, false, false },
        { "triangles, unlit", GL_TRIANGLES, false, false, false },
        { "polygons", GL_POLYGON, false, false, false },
        { "outlines", GL_LINE_LOOP, false, false, false },
        { "outlines, stippled, blended", GL_LINE_LOOP, false, true, true },
        { "points", GL_POINTS, false, false, false },
    };
    std::printf("processor time per pass\n%-30s %12s %12s\n", "pass", "buffered", "immediate");
    for (const Pass& p : passes) {
        double best[2] = { 1e9, 1e9 };
        for (int round = 0; round < 4; ++round) {
            for (int which = 0; which < 2; ++which) {
                view.makeCurrent();
                p.lit ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
                glLineStipple(2, 0xAAAA);
                p.stipple ? glEnable(GL_LINE_STIPPLE) : glDisable(GL_LINE_STIPPLE);
                p.blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
                MeshDrawer& d = which == 0 ? static_cast<MeshDrawer&>(buffered)
                                           : static_cast<MeshDrawer&>(immediate);
                glFinish();
                const double t = cpuMs();
                d.drawMesh(view.mesh, p.primitive);
                glFinish();
                const double ms = cpuMs() - t;
                if (round > 0)
                    best[which] = std::min(best[which], ms);
            }
        }
        std::printf("%-30s %9.1f ms %9.1f ms\n", p.name, best[0], best[1]);
    }
    glDisable(GL_LINE_STIPPLE);
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    return 0;
}
