#include "../app/WindowTestUtil.h"
#include "ImmediateMeshDrawer.h"

#include "viewer/ui/BufferedMeshDrawer.h"

namespace {

QByteArray normalBytes(const Mesh& mesh)
{
    QByteArray bytes;
    for (const Face& face : mesh.faces)
        bytes.append(reinterpret_cast<const char*>(&face.normal), 4 * sizeof(float));
    return bytes;
}

// Pixels where a and b differ, or with b null, the reddish pixels of a.
int differing(const QImage& a, const QImage& b = {})
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb c = a.pixel(x, y);
            n += b.isNull() ? qRed(c) > qGreen(c) + 40 && qRed(c) > qBlue(c) + 40
                            : c != b.pixel(x, y);
        }
    return n;
}

} // namespace

class FilteringViewTest : public QObject, WindowDriver
{
    Q_OBJECT

    QImage frame()
    {
        view->grabFramebuffer();
        return view->grabRendering();
    }
    void filter(float slider, int algorithm)
    {
        view->mshift_slot(Vector(slider, 0.0f, 0.0f, 0.0f), algorithm);
    }

private slots:
    void init();
    void cleanup() { window.reset(); }
    void filteredNormalsShadeFacesInBothDrawersUntilReloadAndTheKernelSphereShows();
};

void FilteringViewTest::init()
{
    const QString path = QStringLiteral(FACETRA_MESH_DIR "/spot.obj");
    if (!QFile::exists(path))
        QSKIP("real meshes not present");
    SKIP_WITHOUT_GL();
    // The tools run at once: these checks are about the pages, not the runs.
    showWindow(400);
    QVERIFY(view->loadMesh(path));
}

void FilteringViewTest::filteredNormalsShadeFacesInBothDrawersUntilReloadAndTheKernelSphereShows()
{
    view->setRenderMode(4);
    const QImage smooth = frame();
    filter(15.0f, MEAN_SHIFT);
    QVERIFY(differing(smooth, frame()) > 200);
    for (int mode : { 3, 4, 6 }) {
        view->setRenderMode(mode);
        QImage pictures[2];
        for (int i = 0; i < 2; ++i) {
            std::unique_ptr<MeshDrawer> drawer = std::make_unique<ImmediateMeshDrawer>();
            if (i == 0)
                drawer = std::make_unique<BufferedMeshDrawer>();
            drawer->faceNormalShading = true;
            view->setMeshDrawer(std::move(drawer));
            pictures[i] = frame();
        }
        QVERIFY2(differing(pictures[0], pictures[1]) == 0, qPrintable(QString::number(mode)));
    }
    view->setMeshDrawer(std::make_unique<BufferedMeshDrawer>());
    view->setRenderMode(4);
    filter(2.0f, MEDIAN_FILTER);
    QVERIFY(differing(smooth, frame()) > 200);
    view->reload_slot();
    QCOMPARE(differing(smooth, frame()), 0);

    // The kernel's sphere shows; picking keeps the filtered normals.
    view->setRenderMode(7);
    QCOMPARE(differing(frame()), 0);
    view->workbench.meanShift.centre = view->mesh.centre;
    view->mshiftrad_slot(Vector(60.0f, 0.0f, 0.0f, 0.0f), MEAN_SHIFT);
    QVERIFY(differing(frame()) > 2000);

    view->setRenderMode(4);
    filter(10.0f, SHPERE_JUMP);
    const QByteArray filtered = normalBytes(view->mesh);
    QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, QPoint(200, 200));
    QVERIFY(view->mesh.selected > 0);
    QCOMPARE(normalBytes(view->mesh), filtered);
}

QTEST_MAIN(FilteringViewTest)
#include "FilteringViewTest.moc"
