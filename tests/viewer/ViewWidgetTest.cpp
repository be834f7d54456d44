#include "../app/WindowTestUtil.h"
#include "ImmediateMeshDrawer.h"

#include "mesh/engine/Build.h"

#include "viewer/ui/BufferedMeshDrawer.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/ViewLod.h"

#include <QLabel>

namespace {

// A tetrahedron whose front face (index 0) looks at the viewer (+z) and whose
// apex lies straight behind it. At the start zoom its box (longest side 2,
// centre (0, 0.25, 0)) fits two thirds of a 400 x 400 window, 133.3 pixels per
// unit, so the corners land at A (200, 100), B (84.5, 300), C (315.5, 300) and
// the hidden apex D at (200, 233.3): the hidden edges DA, DB, DC lie inside the
// front face, away from every visible edge.
const char* kTetrahedron = "v 0 1 1\nv -0.8660254 -0.5 1\nv 0.8660254 -0.5 1\nv 0 0 -1\n"
                           "f 1 2 3\nf 2 1 4\nf 3 2 4\nf 1 3 4\n";

using Test = std::function<bool(QRgb)>;
const Test isWhite = [](QRgb c) { return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245; };
const Test notWhite = [](QRgb c) { return !isWhite(c); };
const Test dark = [](QRgb c) { return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90; };
const Test grey = [](QRgb c) {
    return qRed(c) >= 60 && qRed(c) <= 235 && std::abs(qRed(c) - qGreen(c)) < 8
        && std::abs(qRed(c) - qBlue(c)) < 8;
};
const Test red = [](QRgb c) { return qRed(c) > 180 && qGreen(c) < 100 && qBlue(c) < 100; };
const Test green = [](QRgb c) { return qGreen(c) > 120 && qRed(c) < 120 && qBlue(c) < 120; };
// The default colour (0.75, 0.75, 1) lit: bluish, never black.
const Test lilac = [](QRgb c) { return qRed(c) > 100 && qBlue(c) > qRed(c) + 30; };

} // namespace

class ViewWidgetTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<QtGLWidget> view;
    qreal ratio = 1.0;

    QString fixture(const QString& name) const { return dir.filePath(name); }
    QImage frame()
    {
        view->grabFramebuffer();
        return view->grabRendering();
    }
    QRgb at(const QImage& image, double x, double y) const
    {
        return image.pixel(int(x * ratio), int(y * ratio));
    }
    // Pixels in a logical rectangle that pass a test.
    int count(const QImage& image, QRect r, const Test& test) const
    {
        return countPixels(image.copy(QRect(r.topLeft() * ratio, r.size() * ratio)), test);
    }
    void middleClick(int x, int y)
    {
        QTest::mouseClick(view.get(), Qt::MiddleButton, Qt::NoModifier, QPoint(x, y));
    }
    void turn(QPointF from, QPointF to)
    {
        view->arcBall.click(Vector(float(from.x()), float(from.y()), 0.0f));
        view->arcBall.drag(Vector(float(to.x()), float(to.y()), 0.0f));
        view->arcBall.release();
    }

private slots:
    void initTestCase();
    void init();
    void cleanup() { view.reset(); }

    void renderModesShowAndHideTheRightEdges();
    void pickingMarksRedHitsTheNearestFaceAndFaceColoursAreLitAsVertexColours();
    void zoomIsProportionalEditsKeepTheFitAndANewMeshIsFittedAnew();
    void movingFramesDrawTheLevelAndTheStillFrameTheMesh();
    void bufferedMatchesImmediateOnRealMesh_data();
    void bufferedMatchesImmediateOnRealMesh();
};

void ViewWidgetTest::initTestCase()
{
    SKIP_WITHOUT_GL();
    QVERIFY(dir.isValid());
    std::ofstream(fixture("tetra.obj").toStdString()) << kTetrahedron;
    std::ofstream(fixture("red.OBJ").toStdString())
        << kTetrahedron << "vc 1 0 0\nvc 1 0 0\nvc 1 0 0\nvc 1 0 0\n";
    // A red bumpy sheet of 28,800 faces: one level of detail of an eighth.
    std::ofstream sheet(fixture("sheet.obj").toStdString());
    const int n = 121;
    for (int v = 0; v < n * n; ++v)
        sheet << "v " << v % n << ' ' << v / n << ' '
              << 6.0 * std::sin(0.15 * (v % n)) * std::cos(0.1 * (v / n)) << "\nvc 1 0 0\n";
    for (int a = 1; a < n * (n - 1); ++a) {
        if (a % n)
            sheet << "f " << a << ' ' << a + 1 << ' ' << a + n + 1 << "\nf " << a << ' '
                  << a + n + 1 << ' ' << a + n << '\n';
    }
    QVERIFY(sheet.good());
}

void ViewWidgetTest::init()
{
    view = std::make_unique<QtGLWidget>(nullptr, "glbox1");
    view->resize(400, 400);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    ratio = view->devicePixelRatioF();
}

void ViewWidgetTest::renderModesShowAndHideTheRightEdges()
{
    // An empty view says how to start, until a mesh is there.
    const auto* hint = view->findChild<QLabel*>(QStringLiteral("emptyhint"));
    QVERIFY(hint && hint->isVisible() && hint->text().contains(QStringLiteral("File, Open")));
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QVERIFY(!hint->isVisible());
    const QRect hiddenEdge(199, 130, 3, 70); // DA without its ends
    const QRect visibleEdge(195, 296, 10, 8); // part of BC
    const QRect all(0, 0, 400, 400);
    // The mode, where to look, and the least and most pixels there passing the test.
    const std::tuple<int, QRect, Test, int, int> cases[]
        = { { 0, hiddenEdge, dark, 61, 100000 }, { 1, hiddenEdge, grey, 21, 100000 }, // dotted
              { 1, hiddenEdge, dark, 0, 0 }, { 1, visibleEdge, dark, 11, 100000 },
              { 2, hiddenEdge, notWhite, 0, 0 }, { 2, visibleEdge, dark, 11, 100000 },
              { 3, visibleEdge, dark, 11, 100000 }, // outlines on top of the fill
              { 3, QRect(200, 280, 1, 1), lilac, 1, 100000 }, { 3, hiddenEdge, dark, 0, 0 },
              { 4, visibleEdge, dark, 0, 0 },
              { 5, QRect(197, 97, 7, 7), dark, 1, 100000 }, // a corner point
              { 5, QRect(200, 150, 1, 1), notWhite, 0, 0 }, { 6, all, red, 11, 100000 }, // normals
              { 6, hiddenEdge, grey, 21, 100000 },
              { 7, QRect(82, 150, 6, 100), green, 11, 100000 }, // the box's left side
              { 7, all, [](QRgb c) { return !isWhite(c) && qGreen(c) < qRed(c) + 40; }, 0, 0 },
              { 8, all, notWhite, 0, 0 } };
    for (const auto& [mode, where, test, least, most] : cases) {
        view->setRenderMode(mode);
        const int n = count(frame(), where, test);
        QVERIFY2(n >= least && n <= most,
            qPrintable(QStringLiteral("mode %1: %2 pixels").arg(mode).arg(n)));
    }
}

void ViewWidgetTest::pickingMarksRedHitsTheNearestFaceAndFaceColoursAreLitAsVertexColours()
{
    // A mesh without colours is shown in the default colour, never black; its own are shown.
    QVERIFY(view->loadMesh(fixture("red.OBJ")));
    const QRgb fill = at(frame(), 200, 280);
    QVERIFY(qRed(fill) > 100 && qGreen(fill) < 40 && qBlue(fill) < 40);
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QVERIFY(lilac(at(frame(), 200, 280)));
    middleClick(200, 280);
    QCOMPARE(view->mesh.selected, 1);
    const QRgb picked = at(frame(), 200, 280);
    QVERIFY(qRed(picked) > 200 && qGreen(picked) < 60 && qBlue(picked) < 60);
    middleClick(390, 390); // the background keeps the selection
    QCOMPARE(view->mesh.selected, 1);
    // Turned half about y the apex faces the viewer: a side face is picked, never the
    // front face, now farthest; in both projections (off the centre, whose ray grazes DA).
    turn(QPointF(199.5, 200), QPointF(399, 200));
    middleClick(190, 200);
    QVERIFY(view->mesh.selected > 1);
    view->toggleProjectionMode();
    view->mesh.selected = -1;
    middleClick(185, 215);
    QVERIFY(view->mesh.selected > 1);

    // A mesh coloured red face by face is shaded exactly as one coloured red
    // vertex by vertex: patches and segments keep the mesh's shape.
    QVERIFY(view->loadMesh(fixture("red.OBJ")));
    turn(QPointF(200, 200), QPointF(260, 170));
    const QImage byVertex = frame();
    QSet<int> shades;
    countPixels(byVertex, [&](QRgb c) { return red(c) && (shades.insert(qRed(c)), true); });
    QVERIFY(shades.size() >= 4);
    view->mesh.faceColours.assign(view->mesh.faces.size(), PackedVector(1.0f, 0.0f, 0.0f, 1.0f));
    view->workbench.showFaceColours(true);
    QVERIFY(view->faceColoursShown());
    QCOMPARE(frame(), byVertex);
}

void ViewWidgetTest::zoomIsProportionalEditsKeepTheFitAndANewMeshIsFittedAnew()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    sendMouse(view.get(), QEvent::MouseMove, QPointF(200, 300), Qt::NoButton, Qt::NoButton);
    // Upwards twice by 1005 pixels: the distance shrinks by the same share, never to zero.
    const float start = view->viewDistance;
    dragMouse(view.get(), Qt::RightButton, QPointF(200, 300), QPointF(200, -705));
    const float half = view->viewDistance;
    dragMouse(view.get(), Qt::RightButton, QPointF(200, -705), QPointF(200, -1710));
    QVERIFY(half > start && view->viewDistance < 0.0f);
    QVERIFY(std::fabs(view->viewDistance / half - half / start) < 1e-3f);
    dragMouse(view.get(), Qt::LeftButton, QPointF(199.5, 200), QPointF(399, 200)); // half a turn
    QVERIFY(std::fabs(view->arcBall.transform[0] + 1.0f) < 1e-3f && !view->arcBall.isDragging);
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QCOMPARE(view->arcBall.transform[0], 1.0f);

    // The viewport and the read-back are in device pixels, and a zero height divides nothing.
    QCOMPARE(view->viewWidth, int(std::lround(400 * ratio)));
    const float fit = view->fitScale();
    for (Vector& v : view->mesh.vertices)
        v *= 10.0f;
    view->meshChanged();
    frame();
    QCOMPARE(view->fitScale(), fit);
    // A mesh built anew (as the tools do) is fitted again.
    Mesh rebuilt;
    rebuilt.copyFrom(view->mesh);
    build(rebuilt, { MESH_CENTRE, MESH_CENTROIDS, MESH_VERTEX_NORMALS, MESH_BB });
    view->mesh = std::move(rebuilt);
    // The clipping cube follows loads only; the grown mesh gets one of its own.
    view->workbench.clipCube.initCube(clipCubeEdge(view->mesh));
    const QImage refitted = frame();
    QVERIFY(std::fabs(view->fitScale() - fit / 10.0f) < 1e-6f);
    QVERIFY(lilac(at(refitted, 200, 280)));
    view->resizeGL(100, 0);
    QVERIFY(std::isfinite(view->arcBall.adjustHeight));
}

// A closed mesh, an open mesh with duplicated positions, a mesh with non-manifold
// edges; turned so that hidden lines, normals and points overlap. One row per mesh
// and projection, so that each gets the whole time allowed for a test function.
void ViewWidgetTest::bufferedMatchesImmediateOnRealMesh_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPointF>("drag");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("projection");
    for (int projection : { 1, 0 }) {
        const char* kind = projection ? "orthographic" : "perspective";
        QTest::addRow("spot %s", kind) << "spot.obj" << QPointF(260, 150) << 100 << projection;
        QTest::addRow("teapot %s", kind) << "teapot.obj" << QPointF(120, 90) << 7 << projection;
        QTest::addRow("beetle %s", kind) << "beetle.obj" << QPointF(300, 330) << 2000 << projection;
    }
    // A large scan with holes and unused vertices, once.
    QTest::newRow("bunny") << "stanford-bunny.obj" << QPointF(260, 150) << 100 << 1;
}

void ViewWidgetTest::bufferedMatchesImmediateOnRealMesh()
{
    QFETCH(QString, name);
    QFETCH(QPointF, drag);
    QFETCH(int, selected);
    QFETCH(int, projection);
    const QString path = QStringLiteral(FACETRA_MESH_DIR "/") + name;
    if (!QFile::exists(path))
        QSKIP("real meshes not present");
    QVERIFY(view->loadMesh(path));
    view->arcBall.setBounds(400.0f, 400.0f);
    turn(QPointF(200, 200), drag);
    view->mesh.selected = selected;
    view->setProjectionMode(projection);
    for (int mode = 0; mode <= 7; ++mode) {
        view->setRenderMode(mode);
        view->setMeshDrawer(std::make_unique<BufferedMeshDrawer>());
        const QImage buffered = frame();
        view->setMeshDrawer(std::make_unique<ImmediateMeshDrawer>());
        QVERIFY2(frame() == buffered, qPrintable(QStringLiteral("mode %1").arg(mode)));
        QVERIFY(count(buffered, QRect(0, 0, 400, 400), notWhite) > 1000);
    }
}

// While the view moves it draws the level of detail, with the mesh's colours
// and filtered normals; the frame after the motion is the full mesh's, pixel
// for pixel, in every mode. A changed mesh is drawn whole until its own levels
// are ready, and picking answers from the full mesh throughout.
void ViewWidgetTest::movingFramesDrawTheLevelAndTheStillFrameTheMesh()
{
    QVERIFY(view->loadMesh(fixture("sheet.obj")));
    QTRY_VERIFY_WITH_TIMEOUT(view->levelsReady(), 30000);
    // The coarsest level whatever the machine.
    view->setFrameBudget(0.0);
    turn(QPointF(200, 200), QPointF(240, 150));
    const int full = view->mesh.numFaces;
    const int coarse = view->levelsOfDetail().faceCount(0);
    QVERIFY(coarse < full / 3);
    for (int mode = 0; mode <= 7; ++mode) {
        view->setRenderMode(mode);
        const QImage still = frame();
        view->setMoving(true);
        const QImage moving = frame();
        QCOMPARE(view->facesDrawn(), coarse);
        if (mode == 4) {
            const int redStill = count(still, QRect(0, 0, 400, 400), red);
            QVERIFY(redStill > 20000);
            QVERIFY(qAbs(count(moving, QRect(0, 0, 400, 400), red) - redStill) < redStill / 20);
        }
        view->setMoving(false);
        QCOMPARE(frame(), still);
        QCOMPARE(view->facesDrawn(), full);
    }

    // Filtered normals reach the moving frame; picking is the full mesh's.
    view->setRenderMode(4);
    const int picked = view->faceAt(200, 200);
    view->setMoving(true);
    QCOMPARE(view->faceAt(200, 200), picked);
    const QImage before = frame();
    view->mshift_slot(Vector(5.0f, 5.0f, 5.0f, 5.0f), 2);
    QVERIFY(frame() != before);
    QCOMPARE(view->facesDrawn(), coarse);

    // A simplified mesh is drawn whole until its levels are built.
    view->simplify_slot(75.0f);
    QVERIFY(view->mesh.numFaces < full);
    QVERIFY(!view->levelsReady());
    frame();
    QCOMPARE(view->facesDrawn(), view->mesh.numFaces);
    QTRY_VERIFY_WITH_TIMEOUT(view->levelsReady(), 30000);
    QCOMPARE(view->levelsOfDetail().levelCount(), 1);
    view->setFrameRateShown(true);
    frame();
    QCOMPARE(view->facesDrawn(), view->levelsOfDetail().faceCount(0));
    // Show Frame Rate: the time and the faces of the frame, in the corner.
    const auto* rate = view->findChild<QLabel*>(QStringLiteral("framerate"));
    QVERIFY(rate && rate->isVisible() && rate->geometry().topLeft().x() < 20);
    QVERIFY2(rate->text().endsWith(QStringLiteral(" ms, %1 faces").arg(view->facesDrawn())),
        qPrintable(rate->text()));
    view->setMoving(false);
}

QTEST_MAIN(ViewWidgetTest)
#include "ViewWidgetTest.moc"
