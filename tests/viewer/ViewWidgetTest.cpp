#include "ImmediateMeshDrawer.h"

#include "mesh/engine/Build.h"

#include "viewer/ui/BufferedMeshDrawer.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/RenderModes.h"

#include <QFile>
#include <QMimeData>
#include <QOpenGLContext>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <unistd.h>

namespace {

// A tetrahedron whose front face (index 0) looks at the viewer (+z) and whose
// apex lies straight behind it. At the start zoom its box (longest side 2,
// centre (0, 0.25, 0)) fits two thirds of a 400 x 400 window, 133.3 pixels per
// unit, so the corners land at A (200, 100), B (84.5, 300), C (315.5, 300) and
// the hidden apex D at (200, 233.3): the hidden edges DA, DB, DC lie inside the
// front face, away from every visible edge.
const char* kTetrahedron = "v 0 1 1\nv -0.8660254 -0.5 1\nv 0.8660254 -0.5 1\nv 0 0 -1\n"
                           "f 1 2 3\nf 2 1 4\nf 3 2 4\nf 1 3 4\n";

// Standard output of f.
QString captureStdout(const std::function<void()>& f)
{
    QTemporaryFile file;
    file.open();
    std::fflush(stdout);
    const int saved = ::dup(1);
    ::dup2(file.handle(), 1);
    f();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    file.seek(0);
    return QString::fromLatin1(file.readAll());
}

using Test = std::function<bool(QRgb)>;
bool isWhite(QRgb c)
{
    return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245;
}
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
        int n = 0;
        const QRect device(int(r.x() * ratio), int(r.y() * ratio), int(r.width() * ratio),
            int(r.height() * ratio));
        for (int y = device.top(); y <= device.bottom(); ++y)
            for (int x = device.left(); x <= device.right(); ++x)
                n += test(image.pixel(x, y));
        return n;
    }
    void middleClick(int x, int y)
    {
        QTest::mouseClick(view.get(), Qt::MiddleButton, Qt::NoModifier, QPoint(x, y));
    }
    void sendMouse(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, pos, view->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
    }
    void drag(Qt::MouseButton button, QPointF from, QPointF to)
    {
        sendMouse(QEvent::MouseButtonPress, from, button, button);
        sendMouse(QEvent::MouseMove, to, Qt::NoButton, button);
        sendMouse(QEvent::MouseButtonRelease, to, button, Qt::NoButton);
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void renderModesShowAndHideTheRightEdges();
    void meshColoursAreShownAndAMeshWithoutIsNotBlack();
    void pickingPrintsMarksRedAndHitsTheNearestFaceAfterTurning();
    void mouseZoomPassesThroughZeroAndRotationSurvivesALoad();
    void failedOrUnknownLoadKeepsTheMeshAndSaveAppendsObj();
    void reloadRestoresTheLoadedMeshAndANewMeshIsFitted();
    void zeroHeightAndDeviceScaleNeitherDivideByZeroNorMisplacePixels();
    void dropSendsTheFirstFileAndRefusesOtherData();
    void lightSlotsChangeTheShading();
    void idleWindowDoesNotRepaint();
    void meshesOfAnySizeFitTheView();
    void bufferedMatchesImmediateOnRealMesh();
};

void ViewWidgetTest::initTestCase()
{
    QOpenGLContext probe;
    if (!probe.create())
        QSKIP("no OpenGL on this display");
    QVERIFY(dir.isValid());
    QFile plain(fixture("tetra.obj")), coloured(fixture("red.OBJ"));
    QVERIFY(plain.open(QIODevice::WriteOnly) && coloured.open(QIODevice::WriteOnly));
    plain.write(kTetrahedron);
    coloured.write(QByteArray(kTetrahedron) + "vc 1 0 0\nvc 1 0 0\nvc 1 0 0\nvc 1 0 0\n");
}

void ViewWidgetTest::init()
{
    view = std::make_unique<QtGLWidget>(nullptr, "glbox1");
    view->resize(400, 400);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    ratio = view->devicePixelRatioF();
}

void ViewWidgetTest::cleanup()
{
    view.reset();
}

void ViewWidgetTest::renderModesShowAndHideTheRightEdges()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QVERIFY(std::fabs(view->fitScale() - 2.0f / 3.0f) < 1e-6f);
    const QRect hiddenEdge(199, 130, 3, 70); // DA without its ends
    const QRect visibleEdge(195, 296, 10, 8); // part of BC
    const QRect all(0, 0, 400, 400);
    const struct
    {
        int mode;
        QRect where;
        Test test;
        int least, most; // pixels passing the test
    } cases[] = {
        { 0, hiddenEdge, dark, 61, 100000 },
        { 1, hiddenEdge, grey, 21, 100000 }, // dotted
        { 1, hiddenEdge, dark, 0, 0 },
        { 1, visibleEdge, dark, 11, 100000 },
        { 2, hiddenEdge, notWhite, 0, 0 },
        { 2, visibleEdge, dark, 11, 100000 },
        { 3, visibleEdge, dark, 11, 100000 }, // outlines on top of the fill
        { 3, QRect(200, 280, 1, 1), lilac, 1, 100000 },
        { 3, hiddenEdge, dark, 0, 0 },
        { 4, visibleEdge, dark, 0, 0 },
        { 5, QRect(197, 97, 7, 7), dark, 1, 100000 }, // a corner point
        { 5, QRect(200, 150, 1, 1), notWhite, 0, 0 },
        { 6, all, red, 11, 100000 }, // normals
        { 6, hiddenEdge, grey, 21, 100000 },
        { 7, QRect(82, 150, 6, 100), green, 11, 100000 }, // the box's left side
        { 7, all, [](QRgb c) { return !isWhite(c) && qGreen(c) < qRed(c) + 40; }, 0, 0 },
        { 8, all, notWhite, 0, 0 },
    };
    for (const auto& c : cases) {
        view->setRenderMode(c.mode);
        const QImage image = frame();
        const int n = count(image, c.where, c.test);
        if (n < c.least || n > c.most)
            image.save(QDir::temp().filePath(QStringLiteral("facetra-mode%1.png").arg(c.mode)));
        QVERIFY2(n >= c.least && n <= c.most,
            qPrintable(QStringLiteral("mode %1: %2 pixels").arg(c.mode).arg(n)));
    }
}

void ViewWidgetTest::meshColoursAreShownAndAMeshWithoutIsNotBlack()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QVERIFY(lilac(at(frame(), 200, 280)));
    QVERIFY(view->loadMesh(fixture("red.OBJ")));
    const QRgb fill = at(frame(), 200, 280);
    QVERIFY(qRed(fill) > 100 && qGreen(fill) < 40 && qBlue(fill) < 40);
}

void ViewWidgetTest::pickingPrintsMarksRedAndHitsTheNearestFaceAfterTurning()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QCOMPARE(captureStdout([&] { middleClick(10, 10); }), QStringLiteral("\nSelected: -1 \n"));
    QCOMPARE(captureStdout([&] { middleClick(200, 280); }), QStringLiteral("\nSelected: 1 \n"));
    const QRgb picked = at(frame(), 200, 280);
    QVERIFY(qRed(picked) > 200 && qGreen(picked) < 60 && qBlue(picked) < 60);
    // Background keeps the selection and still reports it.
    QCOMPARE(captureStdout([&] { middleClick(390, 390); }), QStringLiteral("\nSelected: 1 \n"));

    // Turned half about y the apex faces the viewer: a side face is picked, never the
    // front face, now farthest; in both projections (off the centre, whose ray grazes DA).
    view->arcBall.click(Vector(199.5f, 200.0f, 0.0f));
    view->arcBall.drag(Vector(399.0f, 200.0f, 0.0f));
    view->arcBall.release();
    captureStdout([&] { middleClick(190, 200); });
    QVERIFY(view->mesh.selected > 1);
    view->toggleProjectionMode();
    view->mesh.selected = -1;
    captureStdout([&] { middleClick(185, 215); });
    QVERIFY(view->mesh.selected > 1);
}

void ViewWidgetTest::mouseZoomPassesThroughZeroAndRotationSurvivesALoad()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    sendMouse(QEvent::MouseMove, QPointF(200, 300), Qt::NoButton, Qt::NoButton);
    sendMouse(QEvent::MouseButtonPress, QPointF(200, 300), Qt::RightButton, Qt::RightButton);
    sendMouse(QEvent::MouseMove, QPointF(200, 290), Qt::NoButton, Qt::RightButton);
    QCOMPARE(view->viewDistance, -199.0f);
    // Upwards by 2010 pixels in all: through zero to a mirrored picture.
    sendMouse(QEvent::MouseMove, QPointF(200, -1710), Qt::NoButton, Qt::RightButton);
    sendMouse(QEvent::MouseButtonRelease, QPointF(200, -1710), Qt::RightButton, Qt::NoButton);
    QVERIFY(std::fabs(view->viewDistance - 1.0f) < 1e-3f);
    // Without a button nothing but the last position changes.
    sendMouse(QEvent::MouseMove, QPointF(10, 10), Qt::NoButton, Qt::NoButton);
    QVERIFY(std::fabs(view->viewDistance - 1.0f) < 1e-3f);

    drag(Qt::MiddleButton, QPointF(100, 100), QPointF(300, 100)); // picks, does not turn
    QCOMPARE(view->arcBall.transform[0], 1.0f);
    drag(Qt::LeftButton, QPointF(199.5, 200), QPointF(399, 200)); // half a turn
    QVERIFY(std::fabs(view->arcBall.transform[0] + 1.0f) < 1e-3f);
    QVERIFY(!view->arcBall.isDragging);
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QVERIFY(std::fabs(view->arcBall.transform[0] + 1.0f) < 1e-3f);
}

void ViewWidgetTest::failedOrUnknownLoadKeepsTheMeshAndSaveAppendsObj()
{
    std::vector<std::string> names { "stale" };
    int emitted = 0;
    connect(view.get(), &QtGLWidget::buildtree_signal, this, [&](std::vector<std::string>& n) {
        names = n;
        ++emitted;
    });
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QCOMPARE(emitted, 1);
    QVERIFY(names.empty());
    // A name without a reader (".obj" must be within the last four characters) keeps the
    // mesh but resets the view; a file that cannot be read changes nothing.
    view->viewDistance = -50.0f;
    view->mesh.selected = 2;
    QVERIFY(view->loadMesh(fixture("tetra.obj.gts")));
    QCOMPARE(view->mesh.numFaces, 4);
    QCOMPARE(view->viewDistance, -200.0f);
    QCOMPARE(view->mesh.selected, -1);
    QCOMPARE(emitted, 1);
    view->viewDistance = -50.0f;
    QVERIFY(!view->loadMesh(fixture("missing.obj")));
    QCOMPARE(view->viewDistance, -50.0f);
    QVERIFY(view->fileName.endsWith(QStringLiteral("tetra.obj.gts")));

    QVERIFY(view->saveMesh(fixture("copy")));
    QVERIFY(QFile::exists(fixture("copy.obj")) && !QFile::exists(fixture("copy")));
    QVERIFY(view->saveMesh(fixture("again.obj")));
    QVERIFY(!QFile::exists(fixture("again.obj.obj")));
    QVERIFY(view->loadMesh(fixture("again.obj")));
    QCOMPARE(view->mesh.numFaces, 4);
}

void ViewWidgetTest::reloadRestoresTheLoadedMeshAndANewMeshIsFitted()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    const QImage before = frame();
    view->mesh.vertices[0] = Vector(0.0f, 3.0f, 1.0f);
    view->meshChanged();
    QVERIFY(frame() != before);
    view->viewDistance = -120.0f;
    view->reload_slot();
    QCOMPARE(view->mesh.vertices[0].y, 1.0f);
    QCOMPARE(view->viewDistance, -120.0f); // the zoom stays
    view->viewDistance = -200.0f;
    QCOMPARE(frame(), before);

    // Edits in place keep the fit; a mesh built anew (as the tools do) is fitted.
    const float fit = view->fitScale();
    for (Vector& v : view->mesh.vertices)
        v *= 10.0f;
    view->meshChanged();
    frame();
    QCOMPARE(view->fitScale(), fit);
    Mesh rebuilt;
    rebuilt.copyFrom(view->mesh);
    build(rebuilt, { MESH_CENTRE, MESH_CENTROIDS, MESH_VERTEX_NORMALS, MESH_BB });
    view->mesh = std::move(rebuilt);
    const QImage refitted = frame();
    QVERIFY(std::fabs(view->fitScale() - fit / 10.0f) < 1e-6f);
    QVERIFY(!isWhite(at(refitted, 200, 280)));
}

void ViewWidgetTest::zeroHeightAndDeviceScaleNeitherDivideByZeroNorMisplacePixels()
{
    // The viewport and the read-back are in device pixels.
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        QCOMPARE(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    QCOMPARE(view->viewWidth, int(std::lround(400 * ratio)));
    QCOMPARE(frame().width(), view->viewWidth);
    view->resizeGL(100, 0);
    QCOMPARE(view->viewHeight, std::max(1, int(std::lround(ratio))));
    QVERIFY(std::isfinite(view->arcBall.adjustHeight));
    QString status;
    view->setStatusSink([&](const QString& text) { status = text; });
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    view->showMeshCounts();
    QCOMPARE(status, QStringLiteral(" Verts: 4 Faces: 4"));
}

void ViewWidgetTest::dropSendsTheFirstFileAndRefusesOtherData()
{
    QSignalSpy spy(view.get(), &QtGLWidget::dragndrop_signal);
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(QStringLiteral("/data/a.obj")),
        QUrl::fromLocalFile(QStringLiteral("/data/b.obj")) });
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &drop);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("/data/a.obj"));

    QMimeData image;
    image.setImageData(QImage(2, 2, QImage::Format_RGB32));
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &refused);
    QVERIFY(!refused.isAccepted());
}

void ViewWidgetTest::lightSlotsChangeTheShading()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    const QRgb lit = at(frame(), 200, 280);
    view->light_position_slot(90.0f, 180.0f);
    QVERIFY(std::fabs(view->lightPosition.x + 1.0f) < 1e-6f);
    QVERIFY(std::fabs(view->lightPosition.z) < 1e-6f && view->lightPosition.w == 0.0f);
    // The light now grazes the front face from the side: only ambient is left.
    const QRgb grazed = at(frame(), 200, 280);
    QVERIFY(qBlue(grazed) < qBlue(lit));
    view->light_colour_slot(Vector(0, 0, 0, 1), Vector(0, 0, 0, 1), Vector(0, 0, 0, 1));
    QVERIFY(qBlue(at(frame(), 200, 280)) < qBlue(grazed));
}

void ViewWidgetTest::idleWindowDoesNotRepaint()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QTest::qWait(100);
    const auto settled = view->framesPainted();
    QTest::qWait(300);
    QCOMPARE(view->framesPainted(), settled);
    // Yet every change that shows is painted.
    view->setRenderMode(0);
    QTRY_VERIFY_WITH_TIMEOUT(view->framesPainted() > settled, 500);
    const auto afterMode = view->framesPainted();
    view->mesh.selected = 2;
    QTRY_VERIFY_WITH_TIMEOUT(view->framesPainted() > afterMode, 500);
    const auto afterPick = view->framesPainted();
    view->setBackgroundColour(Qt::black);
    QTRY_VERIFY_WITH_TIMEOUT(view->framesPainted() > afterPick, 500);
    QTest::qWait(50);
    QCOMPARE(qRed(at(view->grabRendering(), 2, 2)), 0);
}

void ViewWidgetTest::meshesOfAnySizeFitTheView()
{
    for (const char* name : { "stanford-bunny.obj", "beast.obj", "cross.obj" }) {
        const std::string path = std::string(FACETRA_MESH_DIR) + "/" + name;
        if (!std::filesystem::exists(path))
            QSKIP("real meshes not present");
        QVERIFY(view->loadMesh(QString::fromStdString(path)));
        for (int projection : { 1, 0 }) {
            view->setProjectionMode(projection);
            const QImage image = frame();
            QRect box;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (!isWhite(image.pixel(x, y)))
                        box |= QRect(x, y, 1, 1);
            const double span = std::max(box.width(), box.height()) / double(image.height());
            QVERIFY2(span > 0.45 && span < 0.95,
                qPrintable(QStringLiteral("%1 projection %2: %3")
                               .arg(QLatin1String(name))
                               .arg(projection)
                               .arg(span)));
        }
        view->setProjectionMode(1);
    }
}

void ViewWidgetTest::bufferedMatchesImmediateOnRealMesh()
{
    struct Case
    {
        const char* name;
        float dragX, dragY;
        int selected;
    };
    // A closed scan, an open mesh with duplicated positions, a mesh with
    // non-manifold edges; turned so that hidden lines, normals and points overlap.
    const Case cases[] = { { "stanford-bunny.obj", 260.0f, 150.0f, 100 },
        { "teapot.obj", 120.0f, 90.0f, 7 }, { "beetle.obj", 300.0f, 330.0f, 2000 } };
    for (const Case& c : cases) {
        const std::string path = std::string(FACETRA_MESH_DIR) + "/" + c.name;
        if (!std::filesystem::exists(path))
            QSKIP("real meshes not present");
        QVERIFY(view->loadMesh(QString::fromStdString(path)));
        view->arcBall = ArcBall();
        view->arcBall.setBounds(400.0f, 400.0f);
        view->arcBall.click(Vector(200.0f, 200.0f, 0.0f));
        view->arcBall.drag(Vector(c.dragX, c.dragY, 0.0f));
        view->arcBall.release();
        view->mesh.selected = c.selected;
        for (int projection : { 1, 0 }) {
            view->setProjectionMode(projection);
            for (int mode = 0; mode <= 7; ++mode) {
                view->setRenderMode(mode);
                view->setMeshDrawer(std::make_unique<BufferedMeshDrawer>());
                const QImage buffered = frame();
                view->setMeshDrawer(std::make_unique<ImmediateMeshDrawer>());
                const QImage immediate = frame();
                const QString what = QStringLiteral("facetra-%1-%2-%3")
                                         .arg(QLatin1String(c.name))
                                         .arg(projection)
                                         .arg(mode);
                if (buffered != immediate) {
                    buffered.save(QDir::temp().filePath(what + QStringLiteral("-buffered.png")));
                    immediate.save(QDir::temp().filePath(what + QStringLiteral("-immediate.png")));
                }
                QVERIFY2(buffered == immediate, qPrintable(what));
                QVERIFY(count(buffered, QRect(0, 0, 400, 400), notWhite) > 1000);
            }
        }
    }
    view->setMeshDrawer(std::make_unique<BufferedMeshDrawer>());
}

QTEST_MAIN(ViewWidgetTest)
#include "ViewWidgetTest.moc"
