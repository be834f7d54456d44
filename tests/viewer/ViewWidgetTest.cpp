#include "ImmediateMeshDrawer.h"

#include "mesh/engine/Build.h"

#include "viewer/ui/BufferedMeshDrawer.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/RenderModes.h"

#include <QFile>
#include <QMimeData>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSignalSpy>
#include <QTemporaryDir>
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
const char* kTetrahedron = "v 0 1 1\n"
                           "v -0.8660254 -0.5 1\n"
                           "v 0.8660254 -0.5 1\n"
                           "v 0 0 -1\n"
                           "f 1 2 3\n"
                           "f 2 1 4\n"
                           "f 3 2 4\n"
                           "f 1 3 4\n";

bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Runs f with standard output going to a string.
QString captureStdout(const std::function<void()>& f)
{
    std::fflush(stdout);
    char name[] = "/tmp/facetra-stdout-XXXXXX";
    const int fd = mkstemp(name);
    const int saved = dup(1);
    dup2(fd, 1);
    f();
    std::fflush(stdout);
    dup2(saved, 1);
    ::close(saved);
    QFile file(QString::fromLatin1(name));
    file.open(QIODevice::ReadOnly);
    const QString text = QString::fromLatin1(file.readAll());
    ::close(fd);
    std::remove(name);
    return text;
}

bool isGrey(QRgb c, int lo, int hi)
{
    return qRed(c) >= lo && qRed(c) <= hi && std::abs(qRed(c) - qGreen(c)) < 8
        && std::abs(qRed(c) - qBlue(c)) < 8;
}

bool isWhite(QRgb c)
{
    return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245;
}

} // namespace

class ViewWidgetTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<QtGLWidget> view;
    qreal ratio = 1.0;

    QString fixture(const QString& name) const { return dir.filePath(name); }

    // The picture now, device pixels.
    QImage frame()
    {
        view->grabFramebuffer();
        return view->grabRendering();
    }
    // Colour at a logical position.
    QRgb at(const QImage& image, double x, double y) const
    {
        return image.pixel(int(x * ratio), int(y * ratio));
    }
    // Pixels in a logical rectangle that satisfy a test.
    int count(const QImage& image, QRect r, const std::function<bool(QRgb)>& test) const
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

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startStateAndResize();
    void renderModesOnTetrahedron();
    void meshWithoutColoursIsNotBlack();
    void meshColoursAreShown();
    void pickingSelectsPrintsAndKeeps();
    void zoomChangesSign();
    void rotationAndMiddleDrag();
    void loadKeepsMeshOnUnknownNameAndFailure();
    void saveAppendsObj();
    void reloadRestoresLoadedMesh();
    void dropEmitsFileName();
    void lightSlots();
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
    QVERIFY(writeText(fixture("tetra.obj"), kTetrahedron));
    QByteArray coloured(kTetrahedron);
    coloured += "vc 1 0 0\nvc 1 0 0\nvc 1 0 0\nvc 1 0 0\n";
    QVERIFY(writeText(fixture("red.OBJ"), coloured));
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

void ViewWidgetTest::startStateAndResize()
{
    QCOMPARE(view->objectName(), QStringLiteral("glbox1"));
    QCOMPARE(view->renderMode, 4);
    QCOMPARE(view->projectionMode, 1);
    QCOMPARE(view->viewDistance, -200.0f);
    QCOMPARE(view->mouseMode, -1);
    QCOMPARE(view->backgroundColour, QColor(255, 255, 255, 255));
    // The viewport and the read-back are in device pixels.
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        QCOMPARE(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    QCOMPARE(view->viewWidth, int(std::lround(400 * ratio)));
    const QImage empty = frame();
    QCOMPARE(empty.width(), view->viewWidth);
    QVERIFY(isWhite(at(empty, 200, 200)));

    view->resizeGL(100, 0);
    QCOMPARE(view->viewHeight, std::max(1, int(std::lround(ratio))));
    QVERIFY(std::isfinite(view->arcBall.adjustHeight));
    QCOMPARE(view->toggleProjectionMode(), 0);
    QCOMPARE(view->toggleProjectionMode(), 1);
    QString status;
    view->setStatusSink([&](const QString& text) { status = text; });
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    view->showMeshCounts();
    QCOMPARE(status, QStringLiteral(" Verts: 4 Faces: 4"));
}

void ViewWidgetTest::renderModesOnTetrahedron()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QVERIFY(std::fabs(view->fitScale() - 2.0f / 3.0f) < 1e-6f);
    const QRect hiddenEdge(199, 130, 3, 70); // DA without its ends
    const auto grey = [](QRgb c) { return isGrey(c, 60, 235); };
    const auto dark = [](QRgb c) { return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90; };
    const auto notWhite = [](QRgb c) { return !isWhite(c); };

    view->setRenderMode(0);
    QImage image = frame();
    QVERIFY(count(image, hiddenEdge, dark) > 60);

    view->setRenderMode(1);
    image = frame();
    const int dotted = count(image, hiddenEdge, grey);
    QVERIFY2(dotted > 20, qPrintable(QString::number(dotted)));
    QCOMPARE(count(image, hiddenEdge, dark), 0);
    // Visible edge BC solid.
    QVERIFY(count(image, QRect(195, 296, 10, 8), dark) > 10);
    image.save(QDir::temp().filePath("facetra-mode1.png"));

    view->setRenderMode(2);
    image = frame();
    QCOMPARE(count(image, hiddenEdge, notWhite), 0);
    QVERIFY(count(image, QRect(195, 296, 10, 8), dark) > 10);

    view->setRenderMode(3);
    image = frame();
    // Outlines on top of the fill, the fill lit inside.
    QVERIFY(count(image, QRect(195, 296, 10, 8), dark) > 10);
    const QRgb fill = at(image, 200, 280);
    QVERIFY(qBlue(fill) > qRed(fill) + 30 && qRed(fill) > 100);
    QCOMPARE(count(image, hiddenEdge, dark), 0);

    view->setRenderMode(4);
    image = frame();
    QCOMPARE(count(image, QRect(195, 296, 10, 8), dark), 0);
    image.save(QDir::temp().filePath("facetra-mode4.png"));

    view->setRenderMode(5);
    image = frame();
    QVERIFY(count(image, QRect(197, 97, 7, 7), dark) > 0);
    QVERIFY(isWhite(at(image, 200, 150)));

    view->setRenderMode(6);
    image = frame();
    const auto red = [](QRgb c) { return qRed(c) > 180 && qGreen(c) < 100 && qBlue(c) < 100; };
    QVERIFY(count(image, QRect(0, 0, 400, 400), red) > 10);
    QVERIFY(count(image, hiddenEdge, grey) > 20);

    view->setRenderMode(7);
    image = frame();
    const auto green = [](QRgb c) { return qGreen(c) > 120 && qRed(c) < 120 && qBlue(c) < 120; };
    QVERIFY(count(image, QRect(82, 150, 6, 100), green) > 10);
    QCOMPARE(count(image, QRect(0, 0, 400, 400),
                 [](QRgb c) { return !isWhite(c) && qGreen(c) < qRed(c) + 40; }),
        0);
    image.save(QDir::temp().filePath("facetra-mode7.png"));

    view->setRenderMode(8);
    QCOMPARE(count(frame(), QRect(0, 0, 400, 400), notWhite), 0);
}

void ViewWidgetTest::meshWithoutColoursIsNotBlack()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    const QRgb fill = at(frame(), 200, 280);
    QVERIFY(qRed(fill) > 100 && qBlue(fill) > qRed(fill) + 30);
    const Vector c = view->mesh.vertexColours[0];
    QCOMPARE(c.x, 0.75f);
    QCOMPARE(c.z, 1.0f);
}

void ViewWidgetTest::meshColoursAreShown()
{
    QVERIFY(view->loadMesh(fixture("red.OBJ")));
    const QRgb fill = at(frame(), 200, 280);
    QVERIFY(qRed(fill) > 100 && qGreen(fill) < 40 && qBlue(fill) < 40);
}

void ViewWidgetTest::pickingSelectsPrintsAndKeeps()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QCOMPARE(view->mesh.selected, -1);
    QString out = captureStdout([&] { middleClick(10, 10); });
    QCOMPARE(out, QStringLiteral("\nSelected: -1 \n"));

    out = captureStdout([&] { middleClick(200, 280); });
    QCOMPARE(out, QStringLiteral("\nSelected: 1 \n"));
    const QRgb picked = at(frame(), 200, 280);
    QVERIFY(qRed(picked) > 200 && qGreen(picked) < 60 && qBlue(picked) < 60);

    // Background keeps the selection and still reports it.
    out = captureStdout([&] { middleClick(390, 390); });
    QCOMPARE(out, QStringLiteral("\nSelected: 1 \n"));
    QCOMPARE(view->mesh.selected, 1);

    // Turned half about y the apex faces the viewer: a side face is picked,
    // never the front face, now farthest.
    view->arcBall.click(Vector(199.5f, 200.0f, 0.0f));
    view->arcBall.drag(Vector(399.0f, 200.0f, 0.0f));
    view->arcBall.release();
    captureStdout([&] { middleClick(190, 200); });
    QVERIFY(view->mesh.selected > 1);

    // The same in perspective.
    view->toggleProjectionMode();
    view->mesh.selected = -1;
    // Off the centre, whose ray grazes the shared edge DA.
    captureStdout([&] { middleClick(185, 215); });
    QVERIFY(view->mesh.selected > 1);
}

void ViewWidgetTest::zoomChangesSign()
{
    sendMouse(QEvent::MouseMove, QPointF(200, 300), Qt::NoButton, Qt::NoButton);
    sendMouse(QEvent::MouseButtonPress, QPointF(200, 300), Qt::RightButton, Qt::RightButton);
    QCOMPARE(view->mouseMode, 2);
    QCOMPARE(view->viewDistance, -200.0f);
    sendMouse(QEvent::MouseMove, QPointF(200, 290), Qt::NoButton, Qt::RightButton);
    QCOMPARE(view->viewDistance, -199.0f);
    // Upwards by 2010 pixels in all: through zero to a mirrored picture.
    sendMouse(QEvent::MouseMove, QPointF(200, -1710), Qt::NoButton, Qt::RightButton);
    QVERIFY(std::fabs(view->viewDistance - 1.0f) < 1e-3f);
    sendMouse(QEvent::MouseButtonRelease, QPointF(200, -1710), Qt::RightButton, Qt::NoButton);
    QCOMPARE(view->mouseMode, -1);
    // Without a button nothing but the last position changes.
    sendMouse(QEvent::MouseMove, QPointF(10, 10), Qt::NoButton, Qt::NoButton);
    QVERIFY(std::fabs(view->viewDistance - 1.0f) < 1e-3f);
    QCOMPARE(view->lastMouse.x, 10.0f);
}

void ViewWidgetTest::rotationAndMiddleDrag()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    sendMouse(QEvent::MouseButtonPress, QPointF(100, 100), Qt::MiddleButton, Qt::MiddleButton);
    sendMouse(QEvent::MouseMove, QPointF(300, 100), Qt::NoButton, Qt::MiddleButton);
    sendMouse(QEvent::MouseButtonRelease, QPointF(300, 100), Qt::MiddleButton, Qt::NoButton);
    QCOMPARE(view->arcBall.transform[0], 1.0f);

    sendMouse(QEvent::MouseButtonPress, QPointF(199.5, 200), Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, QPointF(399, 200), Qt::NoButton, Qt::LeftButton);
    sendMouse(QEvent::MouseButtonRelease, QPointF(399, 200), Qt::LeftButton, Qt::NoButton);
    QVERIFY(std::fabs(view->arcBall.transform[0] + 1.0f) < 1e-3f);
    QVERIFY(!view->arcBall.isDragging);
    // The rotation survives a load.
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QVERIFY(std::fabs(view->arcBall.transform[0] + 1.0f) < 1e-3f);
}

void ViewWidgetTest::loadKeepsMeshOnUnknownNameAndFailure()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    view->viewDistance = -50.0f;
    view->mesh.selected = 2;
    QVERIFY(view->loadMesh(fixture("shape.stp")));
    QCOMPARE(view->mesh.numFaces, 4);
    QCOMPARE(view->viewDistance, -200.0f);
    QCOMPARE(view->mesh.selected, -1);
    // "obj" must be within the last four characters.
    view->viewDistance = -50.0f;
    QVERIFY(view->loadMesh(fixture("tetra.obj.stp")));
    QCOMPARE(view->mesh.numFaces, 4);

    // A file that cannot be read changes nothing.
    view->viewDistance = -50.0f;
    QVERIFY(!view->loadMesh(fixture("missing.obj")));
    QCOMPARE(view->mesh.numFaces, 4);
    QCOMPARE(view->viewDistance, -50.0f);
    QVERIFY(view->fileName.endsWith(QStringLiteral("tetra.obj.stp")));

    std::vector<std::string> names { "stale" };
    int emitted = 0;
    connect(view.get(), &QtGLWidget::buildtree_signal, this, [&](std::vector<std::string>& n) {
        names = n;
        ++emitted;
    });
    QVERIFY(view->loadMesh(fixture("red.OBJ")));
    QCOMPARE(emitted, 1);
    QVERIFY(names.empty());
    QVERIFY(view->loadMesh(fixture("shape.stp")));
    QCOMPARE(emitted, 1);
}

void ViewWidgetTest::saveAppendsObj()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QVERIFY(view->saveMesh(fixture("copy")));
    QVERIFY(QFile::exists(fixture("copy.obj")));
    QVERIFY(!QFile::exists(fixture("copy")));
    QVERIFY(view->saveMesh(fixture("again.obj")));
    QVERIFY(QFile::exists(fixture("again.obj")));
    QVERIFY(!QFile::exists(fixture("again.obj.obj")));
    // What was saved reads back as the same mesh.
    QVERIFY(view->loadMesh(fixture("again.obj")));
    QCOMPARE(view->mesh.numFaces, 4);
    QCOMPARE(view->mesh.numVertices, 4);
}

void ViewWidgetTest::reloadRestoresLoadedMesh()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    const QImage before = frame();
    view->mesh.vertices[0] = Vector(0.0f, 3.0f, 1.0f);
    view->meshChanged();
    QVERIFY(frame() != before);
    view->viewDistance = -120.0f;
    view->reload_slot();
    QCOMPARE(view->mesh.vertices[0].y, 1.0f);
    QCOMPARE(view->viewDistance, -120.0f);
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

void ViewWidgetTest::dropEmitsFileName()
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

void ViewWidgetTest::lightSlots()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    const QRgb lit = at(frame(), 200, 280);
    view->light_position_slot(90.0f, 180.0f);
    QVERIFY(std::fabs(view->lightPosition.x + 1.0f) < 1e-6f);
    QVERIFY(std::fabs(view->lightPosition.z) < 1e-6f);
    QCOMPARE(view->lightPosition.w, 0.0f);
    // The light now grazes the front face from the side: only ambient is left.
    const QRgb grazed = at(frame(), 200, 280);
    QVERIFY(qBlue(grazed) < qBlue(lit));
    view->light_colour_slot(Vector(0, 0, 0, 1), Vector(0, 0, 0, 1), Vector(0, 0, 0, 1));
    const QRgb dark = at(frame(), 200, 280);
    QVERIFY(qBlue(dark) < qBlue(grazed));
}

void ViewWidgetTest::idleWindowDoesNotRepaint()
{
    QVERIFY(view->loadMesh(fixture("tetra.obj")));
    QTest::qWait(100);
    const auto settled = view->framesPainted();
    QTest::qWait(300);
    QCOMPARE(view->framesPainted(), settled);
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
                int differing = 0;
                for (int y = 0; y < buffered.height(); ++y)
                    for (int x = 0; x < buffered.width(); ++x)
                        differing += buffered.pixel(x, y) != immediate.pixel(x, y);
                if (differing) {
                    const QString stem = QStringLiteral("facetra-%1-%2-%3")
                                             .arg(QLatin1String(c.name))
                                             .arg(projection)
                                             .arg(mode);
                    buffered.save(QDir::temp().filePath(stem + QStringLiteral("-buffered.png")));
                    immediate.save(QDir::temp().filePath(stem + QStringLiteral("-immediate.png")));
                }
                QVERIFY2(differing == 0,
                    qPrintable(QStringLiteral("%1 projection %2 mode %3: %4 pixels differ")
                                   .arg(QLatin1String(c.name))
                                   .arg(projection)
                                   .arg(mode)
                                   .arg(differing)));
                QVERIFY(count(buffered, QRect(0, 0, 400, 400), [](QRgb px) { return !isWhite(px); })
                    > 1000);
            }
        }
    }
    view->setMeshDrawer(std::make_unique<BufferedMeshDrawer>());
}

QTEST_MAIN(ViewWidgetTest)
#include "ViewWidgetTest.moc"
