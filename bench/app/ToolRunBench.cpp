// tool_run_bench [--shot FILE]: what running a tool behind the window costs.
//
// On horse-loop1 (388k faces), in the real window under the threaded runner:
// - the runner's own cost: one subdivision level through the window (copy of
//   the mesh, worker, hand-back, applying the result) against the engine run in
//   place on a mesh of its own, median of three;
// - how often the window repaints while the mesh is turned during a
//   subdivision, in the Polygons mode and in the Bounding Box mode (which takes
//   the drawing of the mesh out of the figure);
// - how long Cancel takes to end a run.
// --shot writes a picture of the window with the progress dialogue.
#include "common/BenchMeshes.h"
#include "mesh/QuietStdout.h"

#include "app/ui/QtMainWindow.h"
#include "app/ui/ThreadedToolRunner.h"
#include "app/ui/ToolProgressDialog.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"
#include "refinement/engine/Subdivider.h"
#include "viewer/engine/Matrix.h"
#include "viewer/ui/QtGLWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void turn(QtGLWidget& view, int step)
{
    const float a = 0.02f * float(step);
    float r[9];
    quaternionToMatrix3(0.3f * std::sin(a), std::sin(a), 0.0f, std::cos(a), r);
    setRotationKeepScale(view.arcBall.transform, r);
}

// Frames painted per second while the mesh turns every 10 ms, as a drag would
// turn it: during a subdivision, or for as long without one.
double framesPerSecondTurning(QtMainWindow& window, QtGLWidget& view, bool subdividing)
{
    QTimer turning;
    int step = 0;
    QObject::connect(&turning, &QTimer::timeout, [&] { turn(view, ++step); });
    const std::uint64_t before = view.framesPainted();
    const auto start = Clock::now();
    turning.start(10);
    if (subdividing) {
        view.subdivide_slot(1, 0.0f);
        window.runner->waitForEnd();
    } else {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 1000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    turning.stop();
    const double seconds = msSince(start) / 1000.0;
    return double(view.framesPainted() - before) / seconds;
}

// Takes back a subdivision that ended before it could be cancelled.
void undoAnyRun(QtGLWidget& view, int faces)
{
    if (view.mesh.numFaces != faces)
        view.undo_slot();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const char* shot = nullptr;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shot") == 0)
            shot = argv[i + 1];

    const std::string horse = benchMeshPath("horse-loop1.obj");
    if (horse.empty()) {
        std::printf("horse-loop1.obj is not there: nothing measured\n");
        return 0;
    }
    QtMainWindow window;
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resizeView(800, 600);
    window.show();
    QtGLWidget& view = *window.glView();
    {
        QuietStdout quiet;
        if (!view.loadMesh(QString::fromStdString(horse)))
            return 1;
    }
    const int faces = view.mesh.numFaces;
    std::printf("mesh: %d vertices, %d faces\n", view.mesh.numVertices, faces);

    // The engine in place, and the same through the window.
    std::vector<double> direct, throughWindow, copying;
    for (int round = 0; round < 3; ++round) {
        QuietStdout quiet;
        auto t = Clock::now();
        std::unique_ptr<Mesh> mesh = view.mesh.duplicate();
        copying.push_back(msSince(t));
        t = Clock::now();
        Subdivider subdivider;
        subdivideMesh(*mesh, subdivider, 1, 0.0f);
        paintDefaultColours(*mesh);
        direct.push_back(msSince(t));
        mesh.reset();

        t = Clock::now();
        view.subdivide_slot(1, 0.0f);
        window.runner->waitForEnd();
        throughWindow.push_back(msSince(t));
        view.undo_slot();
        app.processEvents();
    }
    const double d = median(direct), w = median(throughWindow);
    std::printf("subdivide 1 level: engine in place %.0f ms, through the window %.0f ms "
                "(runner's own cost %.0f ms, %.1f%%; of it copying the mesh %.0f ms)\n",
        d, w, w - d, 100.0 * (w - d) / d, median(copying));

    // Repaints while the run goes on.
    for (const auto& [mode, name] : { std::pair { 4, "Polygons" }, std::pair { 7, "Bounding Box" } }) {
        view.setRenderMode(mode);
        double fps = 0.0, idle = 0.0;
        {
            QuietStdout quiet;
            idle = framesPerSecondTurning(window, view, false);
            fps = framesPerSecondTurning(window, view, true);
            undoAnyRun(view, faces);
            app.processEvents();
        }
        std::printf("repaints while the mesh turns, %s mode: %.1f per second during a "
                    "subdivision, %.1f without one\n",
            name, fps, idle);
    }
    view.setRenderMode(4);

    // Cancel: from the press to the end of the run.
    {
        std::vector<double> latency;
        auto quiet = std::make_unique<QuietStdout>();
        for (int round = 0; round < 3; ++round) {
            view.subdivide_slot(1, 0.0f);
            QElapsedTimer wait;
            wait.start();
            while (wait.elapsed() < 400 + 150 * round)
                app.processEvents(QEventLoop::AllEvents, 5);
            const auto t = Clock::now();
            window.runner->cancel();
            window.runner->waitForEnd();
            latency.push_back(msSince(t));
            undoAnyRun(view, faces);
        }
        quiet.reset();
        std::printf("cancel to the end of the run: median %.0f ms, max %.0f ms\n", median(latency),
            *std::max_element(latency.begin(), latency.end()));
    }

    if (shot) {
        auto quiet = std::make_unique<QuietStdout>();
        view.fitView();
        window.statusBar->clearMessage();
        // The horse from its side, a little turned towards the eye.
        const float q[4] = { -0.6124f, 0.3536f, 0.3536f, 0.6124f };
        float r[9];
        quaternionToMatrix3(q[0], q[1], q[2], q[3], r);
        setRotationKeepScale(view.arcBall.transform, r);
        view.subdivide_slot(2, 0.0f);
        QElapsedTimer wait;
        wait.start();
        ToolProgressDialog* dialogue = window.runner->progressDialog();
        while (wait.elapsed() < 6000 && !(dialogue && dialogue->isVisible() && wait.elapsed() > 2500))
            app.processEvents(QEventLoop::AllEvents, 10);
        const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
        window.runner->cancel();
        window.runner->waitForEnd();
        quiet.reset();
        const QRect area = window.frameGeometry().united(dialogue ? dialogue->frameGeometry() : QRect());
        picture.copy(area.adjusted(-8, -8, 8, 8)).save(QString::fromLocal8Bit(shot));
        std::printf("picture: %s\n", shot);
    }
    return 0;
}
