#include "ImmediateMeshDrawer.h"

#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "filtering/engine/MeanShiftFilter.h"
#include "filtering/ui/QtFunctionWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"
#include "mesh/engine/WriteObj.h"
#include "viewer/ui/BufferedMeshDrawer.h"
#include "viewer/ui/QtGLWidget.h"

#include <QOpenGLContext>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

// Without the real meshes, a closed double pyramid: enough faces to show the
// shading change.
const char* kFallback = "v 0 1 0\nv -1 -1 1\nv 1 -1 1\nv 1 -1 -1\nv -1 -1 -1\nv 0 -1.5 0\n"
                        "f 1 2 3\nf 1 3 4\nf 1 4 5\nf 1 5 2\nf 6 3 2\nf 6 4 3\nf 6 5 4\nf 6 2 5\n";

std::vector<char> normalBytes(const Mesh& mesh)
{
    std::vector<char> bytes;
    for (const Face& face : mesh.faces) {
        const float v[4] = { face.normal.x, face.normal.y, face.normal.z, face.normal.w };
        bytes.insert(bytes.end(), reinterpret_cast<const char*>(v),
            reinterpret_cast<const char*>(v) + sizeof v);
    }
    return bytes;
}

int differing(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

int reddish(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            n += qRed(c) > qGreen(c) + 40 && qRed(c) > qBlue(c) + 40;
        }
    return n;
}

} // namespace

class FilteringViewTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString meshFile;
    std::unique_ptr<QtMainWindow> window;
    QtGLWidget* view = nullptr;

    QImage frame()
    {
        view->grabFramebuffer();
        return view->grabRendering();
    }
    // Console lines of the tools are not wanted in the test log.
    template <class F> void quietly(F f)
    {
        std::fflush(stdout);
        const int saved = ::dup(1);
        std::FILE* sink = std::fopen("/dev/null", "w");
        ::dup2(::fileno(sink), 1);
        f();
        std::fflush(stdout);
        ::dup2(saved, 1);
        ::close(saved);
        std::fclose(sink);
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pageRoutingRunsTheFilters();
    void filteredNormalsShadeFacesUntilReload();
    void kernelSphereOverlay();
    void pickKeepsFilteredNormals();
};

void FilteringViewTest::initTestCase()
{
    QOpenGLContext probe;
    if (!probe.create())
        QSKIP("no OpenGL (run under an X server)");
    const std::string real = std::string(FACETRA_MESH_DIR) + "/spot.obj";
    if (std::filesystem::exists(real)) {
        meshFile = QString::fromStdString(real);
    } else {
        meshFile = dir.filePath(QStringLiteral("pyramid.obj"));
        QFile file(meshFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kFallback);
    }
}

void FilteringViewTest::init()
{
    window = std::make_unique<QtMainWindow>();
    window->resizeView(400, 400);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    view = window->glView();
    bool loaded = false;
    quietly([&] { loaded = view->loadMesh(meshFile); });
    QVERIFY(loaded);
}

void FilteringViewTest::cleanup()
{
    window.reset();
    view = nullptr;
}

// The page's controls reach the view's filter through the main window's
// routing; Apply runs the chosen filter, Step one pass, the curve the profile.
void FilteringViewTest::pageRoutingRunsTheFilters()
{
    QtMeanShiftWidget* page = window->meshEditor->meanShiftPage;
    QVERIFY(page);
    QTabWidget* tabs = window->meshEditor->tabs();
    QCOMPARE(tabs->tabText(tabs->indexOf(page)), QStringLiteral("Mean Shift"));
    QCOMPARE(tabs->tabText(tabs->indexOf(page) - 1), QStringLiteral("Subdivide"));
    tabs->setCurrentWidget(page);
    const auto before = normalBytes(view->mesh);

    // Slider 0: Apply refuses.
    quietly([&] { window->meshEditor->applyButton()->click(); });
    QCOMPARE(normalBytes(view->mesh), before);

    page->radiusSlider()->setValue(20);
    QCOMPARE(view->meanShift.radius.x, kernelFromSlider(20.0f, view->mesh).x);
    QCOMPARE(view->meanShift.radius.w, 20.0f);
    for (QPushButton* b : page->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Sphere Jump"))
            b->click();
    QCOMPARE(view->meanShift.algorithm, int(SHPERE_JUMP));
    quietly([&] { window->meshEditor->applyButton()->click(); });
    QVERIFY(normalBytes(view->mesh) != before);
    QCOMPARE(view->meanShift.needInit, 1);
    QVERIFY(!view->meanShift.regions.empty());

    quietly([&] {
        for (QPushButton* b : page->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Step"))
                b->click();
    });
    QCOMPARE(view->meanShift.regions.size(), std::size_t(1));

    QCOMPARE(view->meanShift.weightMode, 0);
    QtFunctionWidget* plot = page->functionWidget();
    plot->moveControlPoint(1, 10.0f, 10.0f);
    QCOMPARE(view->meanShift.weightMode, 1);
    QCOMPARE(view->meanShift.profileHeight, plot->plotHeight());
    QCOMPARE(view->meanShift.profile.size(), std::size_t(100));
}

void FilteringViewTest::filteredNormalsShadeFacesUntilReload()
{
    view->setRenderMode(4);
    const QImage smooth = frame();
    quietly([&] { view->mshift_slot(Vector(15.0f, 0.0f, 0.0f, 0.0f), MEAN_SHIFT); });
    const QImage flat = frame();
    QVERIFY(differing(smooth, flat) > 200);

    // Both drawers give the same pixels with face normals, in every mode that
    // lights faces and in the normals mode.
    for (int mode : { 3, 4, 6 }) {
        view->setRenderMode(mode);
        auto buffered = std::make_unique<BufferedMeshDrawer>();
        buffered->faceNormalShading = true;
        view->setMeshDrawer(std::move(buffered));
        const QImage a = frame();
        auto immediate = std::make_unique<ImmediateMeshDrawer>();
        immediate->faceNormalShading = true;
        view->setMeshDrawer(std::move(immediate));
        const QImage b = frame();
        QVERIFY2(differing(a, b) == 0, qPrintable(QStringLiteral("mode %1").arg(mode)));
    }
    view->setMeshDrawer(std::make_unique<BufferedMeshDrawer>());
    view->setRenderMode(4);
    quietly([&] { view->mshift_slot(Vector(15.0f, 0.0f, 0.0f, 0.0f), MEDIAN_FILTER); });
    QVERIFY(differing(smooth, frame()) > 200);
    quietly([&] { view->reload_slot(); });
    QCOMPARE(differing(smooth, frame()), 0);
}

void FilteringViewTest::kernelSphereOverlay()
{
    view->setRenderMode(7);
    const QImage none = frame();
    QCOMPARE(reddish(none), 0);
    view->meanShift.centre = view->mesh.centre;
    view->mshiftrad_slot(Vector(60.0f, 0.0f, 0.0f, 0.0f), MEAN_SHIFT);
    const QImage sphere = frame();
    // A disc about the window's middle.
    QVERIFY(reddish(sphere) > 2000);
    const QRgb middle = sphere.pixel(sphere.width() / 2, sphere.height() / 2);
    QVERIFY(qRed(middle) > qGreen(middle) + 40);
    // A full run leaves the sphere on the last region.
    quietly([&] { view->mshift_slot(Vector(60.0f, 0.0f, 0.0f, 0.0f), MEAN_SHIFT); });
    QVERIFY(reddish(frame()) > 2000);
}

void FilteringViewTest::pickKeepsFilteredNormals()
{
    quietly([&] { view->mshift_slot(Vector(10.0f, 0.0f, 0.0f, 0.0f), SHPERE_JUMP); });
    const auto filtered = normalBytes(view->mesh);
    frame();
    quietly([&] { QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, QPoint(200, 200)); });
    QVERIFY(view->mesh.selected > 0);
    QVERIFY(normalBytes(view->mesh) == filtered);
}

QTEST_MAIN(FilteringViewTest)
#include "FilteringViewTest.moc"
