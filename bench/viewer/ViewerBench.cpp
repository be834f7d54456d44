// viewer_bench [--quick | --idle]: frame times of the buffered and the immediate drawer at
// 800 x 600 (Polygons, Wireframe + Dotted-HL; still and turning), picking on the
// largest mesh, load to first frame and the CPU of an idle window.
#include "ImmediateMeshDrawer.h"
#include "common/BenchMeshes.h"
#include "common/CpuTime.h"
#include "mesh/QuietStdout.h"

#include "workbench/engine/WorkbenchParts.h"
#include "mesh/engine/Mesh.h"
#include "viewer/engine/Matrix.h"
#include "viewer/engine/Picking.h"
#include "viewer/ui/BufferedMeshDrawer.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/ViewLod.h"

#include <QApplication>
#include <QEventLoop>
#include <QOpenGLContext>
#include <QTest>
#include <QTimer>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Exposes the frame so that it can be timed without the read-back of a grab.
class BenchView : public QtGLWidget
{
public:
    void frame()
    {
        makeCurrent();
        paintGL();
        glFinish();
    }
};

// Turns the arcball by a small step about a tilted axis.
void turn(QtGLWidget& view, int step)
{
    const float a = 0.02f * float(step);
    float r[9];
    quaternionToMatrix3(0.3f * std::sin(a), std::sin(a), 0.0f, std::cos(a), r);
    setRotationKeepScale(view.arcBall.transform, r);
}

// Median wall time and median processor time (all of llvmpipe's threads) of a
// frame; the second is the steadier figure on a shared machine.
struct FrameTime
{
    double wall = 0.0;
    double cpu = 0.0;
};

FrameTime medianFrame(BenchView& view, int frames, bool turning)
{
    std::vector<double> wall, cpu;
    view.frame(); // buffers filled outside the timing
    for (int i = 0; i < frames; ++i) {
        if (turning)
            turn(view, i);
        const auto t = Clock::now();
        const double c = cpuMs();
        view.frame();
        cpu.push_back(cpuMs() - c);
        wall.push_back(msSince(t));
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return { wall[wall.size() / 2], cpu[cpu.size() / 2] };
}

bool load(QtGLWidget& view, const std::string& path)
{
    QuietStdout quiet;
    return view.loadMesh(QString::fromStdString(path));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const bool idleOnly = argc > 1 && std::strcmp(argv[1], "--idle") == 0;
    QOpenGLContext probe;
    if (!probe.create()) {
        std::fprintf(stderr, "no OpenGL: run under xvfb-run\n");
        return 1;
    }
    BenchView view;
    view.resize(800, 600);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return 1;

    struct Case
    {
        const char* label;
        std::string path;
    };
    std::vector<Case> cases { { "stanford-bunny (69k)", benchMeshPath("stanford-bunny.obj") },
        { "horse-loop1 (388k)", benchMeshPath("horse-loop1.obj") } };
    if (!quick)
        cases.push_back({ "horse-loop1 split (1.55M)", benchMillionFacePath() });

    // Load to first frame, on the 390,000-face mesh.
    {
        const std::string horse = benchMeshPath("horse-loop1.obj");
        if (!horse.empty()) {
            view.setRenderMode(4);
            const auto t = Clock::now();
            load(view, horse);
            const double loaded = msSince(t);
            view.frame();
            std::printf("load to first frame, horse-loop1: %.0f ms (loadMesh %.0f ms, first "
                        "frame with the buffer upload %.0f ms)\n",
                msSince(t), loaded, msSince(t) - loaded);
            // Idle processor time with the mesh shown, in the plain event loop.
            QEventLoop settle;
            QTimer::singleShot(300, &settle, &QEventLoop::quit);
            settle.exec();
            const auto framesBefore = view.framesPainted();
            const double c0 = cpuMs();
            const auto w0 = Clock::now();
            QEventLoop idle;
            QTimer::singleShot(quick ? 2000 : 5000, &idle, &QEventLoop::quit);
            idle.exec();
            std::printf("idle window, horse-loop1: %.2f %% of one core, %lld frames painted\n\n",
                100.0 * (cpuMs() - c0) / msSince(w0),
                (long long)(view.framesPainted() - framesBefore));
        }
    }

    if (idleOnly)
        return 0;
    std::printf("frame times at 800 x 600, wall / processor (median)\n");
    std::printf("%-26s %-22s %17s %17s %17s %13s\n", "mesh", "mode", "buffered", "turning",
        "immediate", "speed-up");
    const int frames = quick ? 5 : 11;
    for (const Case& c : cases) {
        if (c.path.empty() || !load(view, c.path)) {
            std::printf("%-28s (not found)\n", c.label);
            continue;
        }
        for (int mode : { 4, 1 }) {
            view.setRenderMode(mode);
            view.setMeshDrawer(std::make_unique<BufferedMeshDrawer>());
            const FrameTime still = medianFrame(view, frames, false);
            const FrameTime turning = medianFrame(view, frames, true);
            view.setMeshDrawer(std::make_unique<ImmediateMeshDrawer>());
            const FrameTime immediate = medianFrame(view, std::max(3, frames / 2), false);
            std::printf(
                "%-26s %-22s %7.0f / %4.0f ms %7.0f / %4.0f ms %7.0f / %4.0f ms %5.2f / %4.2fx\n",
                c.label, mode == 4 ? "Polygons" : "Wireframe + Dotted-HL", still.wall, still.cpu,
                turning.wall, turning.cpu, immediate.wall, immediate.cpu,
                immediate.wall / still.wall, immediate.cpu / still.cpu);
            std::fflush(stdout);
        }
        view.setMeshDrawer(std::make_unique<BufferedMeshDrawer>());
    }

    // Turning with the levels of detail, as facetra --grab --turn-frames measures
    // it, then the still frame after the motion. FACETRA_BENCH_HUGE names a
    // further mesh (the horse subdivided three times, say).
    std::printf("\nturning with levels of detail at 800 x 600 (60 frames)\n");
    std::printf("%-26s %-22s %12s %14s %12s %14s\n", "mesh", "mode", "full frame", "turning",
        "still after", "levels memory");
    std::vector<Case> turningCases = cases;
    if (const char* huge = std::getenv("FACETRA_BENCH_HUGE"))
        turningCases.push_back({ "FACETRA_BENCH_HUGE", huge });
    for (const Case& c : turningCases) {
        if (c.path.empty() || !load(view, c.path))
            continue;
        for (int mode : { 4, 1 }) {
            view.setRenderMode(mode);
            view.frame();
            const FrameTime full = medianFrame(view, 3, false);
            const double seconds = view.turnFrames(60);
            const auto t = Clock::now();
            view.frame();
            const double still = msSince(t);
            const double meshBytes = double(workbench_parts::meshBytes(view.mesh));
            std::printf("%-26s %-22s %9.0f ms %8.1f fps %9.0f ms %8.1f MB %3.0f %%\n", c.label,
                mode == 4 ? "Polygons" : "Wireframe + Dotted-HL", full.wall, 60.0 / seconds, still,
                double(view.levelsOfDetail().bytes()) / 1e6,
                100.0 * double(view.levelsOfDetail().bytes()) / meshBytes);
            std::fflush(stdout);
        }
    }

    // Picking on the largest mesh loaded last.
    {
        Mesh& mesh = view.mesh;
        auto t = Clock::now();
        const FaceBvh bvh(mesh);
        std::printf("\npicking, %d faces: hierarchy built in %.0f ms (%zu nodes)\n", mesh.numFaces,
            msSince(t), bvh.nodeCount());
        std::mt19937 random(7);
        std::uniform_int_distribution<int> px(200, 600), py(150, 450);
        view.setRenderMode(4);
        view.frame();
        std::vector<double> times;
        int hits = 0;
        {
            QuietStdout quiet;
            view.faceAt(400, 300); // builds the widget's own hierarchy
            for (int i = 0; i < 200; ++i) {
                t = Clock::now();
                const int face = view.faceAt(px(random), py(random));
                times.push_back(msSince(t));
                hits += face > 0;
            }
        }
        std::sort(times.begin(), times.end());
        double sum = 0;
        for (double x : times)
            sum += x;
        std::printf("faceAt through the view, %d of 200 on the mesh: mean %.3f ms, median "
                    "%.3f ms, max %.3f ms\n",
            hits, sum / double(times.size()), times[times.size() / 2], times.back());
        // The linear loop for comparison, on a few picks.
        t = Clock::now();
        const Vector p0(0, 0, 1e4f), p1(0, 0, -1e4f);
        for (int i = 0; i < 3; ++i)
            nearestFaceLinear(mesh, p0 + mesh.centre, p1 + mesh.centre);
        std::printf("linear loop: %.1f ms per pick\n", msSince(t) / 3);
    }
    return 0;
}
