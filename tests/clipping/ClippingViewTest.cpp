#include "../app/WindowTestUtil.h"

#include "clipping/engine/PlaneWidgetInCube.h"
#include "clipping/ui/QtCLippingWidget.h"

#include <algorithm>
#include <vector>

namespace {

// The closed cube of side 2 around the origin: the clipping cube around it has
// edge 4 and a push step of 0.1 * 4 / 256 units per pixel.
const QString cubePath = QStringLiteral(FACETRA_CUBE);

const auto isYellow = [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 80; };
const auto isGrey = [](QRgb c) {
    return qRed(c) > 100 && qRed(c) < 160 && qAbs(qRed(c) - qGreen(c)) < 8
        && qAbs(qRed(c) - qBlue(c)) < 8;
};
const auto isWhite = [](QRgb c) { return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245; };

} // namespace

// The page, the view and the cube together, as the user drives them.
class ClippingViewTest : public QObject, WindowDriver
{
    Q_OBJECT

    QtCLippingWidget* page = nullptr;

    QImage frame()
    {
        view->grabFramebuffer();
        return view->grabRendering().scaled(400, 400);
    }

private slots:
    void initTestCase();
    void cleanupTestCase() { window.reset(); }

    void selectedPlaneShowsMouseMovesItNotTheViewAndPickingSkipsWhatItCuts();
    void grabWithPlanesShowsLessOfTheMesh();
};

void ClippingViewTest::initTestCase()
{
    SKIP_WITHOUT_GL();
    keepSettingsApart();
    showWindow(400);
    page = tools->clippingPage;
    QVERIFY(view->loadMesh(cubePath));
    QCOMPARE(view->workbench.clipCube.edgeLengths[0], 4.0f);
    // Zoomed out so that the cube, twice the mesh, fits the window.
    view->viewDistance = -100.0f;
}

// Selecting shows the plane (yellow outline, grey cube); a right drag pushes it
// through the mesh without zooming, a left drag tilts it without turning the view.
void ClippingViewTest::selectedPlaneShowsMouseMovesItNotTheViewAndPickingSkipsWhatItCuts()
{
    const QImage whole = frame();
    QCOMPARE(countPixels(whole, isYellow) + countPixels(whole, isGrey), 0);
    // The mesh spans 67 pixels either side of the centre at this zoom.
    QVERIFY(!isWhite(whole.pixel(250, 200)));

    // At most one plane is selected: PLANE_4 is let go when PLANE_3 is chosen.
    QTest::mouseClick(page->planeButton(PLANE_4), Qt::LeftButton);
    QTest::mouseClick(page->planeButton(PLANE_3), Qt::LeftButton);
    QCOMPARE(view->clipMode, 1);
    QVERIFY(view->workbench.clipCube.planeState[PLANE_4] != 1);
    const QImage selected = frame();
    QVERIFY(countPixels(selected, isYellow) > 200);
    QVERIFY(countPixels(selected, isGrey) > 200);

    const ClipPlane& right = view->workbench.clipCube.planes[PLANE_3];
    const std::vector<float> rotation(view->arcBall.transform, view->arcBall.transform + 16);
    // Down 960 pixels pulls PLANE_3 in to x = 0.5, cutting the mesh's right quarter.
    dragMouse(view, Qt::RightButton, QPointF(200, 100), QPointF(200, 100 + 960));
    QCOMPARE(view->viewDistance, -100.0f);
    dragMouse(view, Qt::LeftButton, QPointF(200, 400), QPointF(200, 390));
    QVERIFY(std::equal(rotation.begin(), rotation.end(), view->arcBall.transform));
    QVERIFY(qAbs(right.normal.y) > 1e-3f);
    const QImage cut = frame();
    QVERIFY(isWhite(cut.pixel(250, 200)));
    QVERIFY(!isWhite(cut.pixel(150, 200)));
    // Seen edge on, the tilted plane's outline runs along the cut's edge: on each
    // row through the mesh the yellow starts where the mesh ends.
    for (int y = 150; y <= 250; y += 10) {
        int meshEnd = -1, yellow = -1;
        for (int x = 0; x < cut.width(); ++x) {
            const QRgb c = cut.pixel(x, y);
            if (isYellow(c) && yellow < 0)
                yellow = x;
            else if (!isWhite(c) && !isYellow(c) && !isGrey(c) && yellow < 0)
                meshEnd = x;
        }
        QVERIFY2(yellow > 200 && qAbs(yellow - meshEnd) <= 2,
            qPrintable(QStringLiteral("row %1: mesh ends at %2, outline at %3")
                           .arg(y)
                           .arg(meshEnd)
                           .arg(yellow)));
    }

    // Let go, the plane is drawn no more; Reset All lets go of every plane.
    QTest::mouseClick(page->planeButton(PLANE_3), Qt::LeftButton);
    QCOMPARE(view->clipMode, 0);
    QCOMPARE(countPixels(frame(), isYellow), 0);
    QTest::mouseClick(page->planeButton(PLANE_4), Qt::LeftButton);
    QTest::mouseClick(page->resetAllButton(), Qt::LeftButton);
    QCOMPARE(view->clipMode, 0);
    QVERIFY(!page->planeButton(PLANE_4)->isChecked());

    // With the near side of the cube cut away, the middle button picks the far
    // face seen through the opening, not the invisible one in front of it.
    const auto pickedZ = [&] {
        QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, QPoint(200, 200));
        const Mesh& mesh = view->mesh;
        if (mesh.selected < 1)
            return 0.0f;
        const Face& f = mesh.faces[std::size_t(mesh.selected - 1)];
        const auto z = [&](int k) { return mesh.vertices[std::size_t(f.index[k])].z; };
        return (z(0) + z(1) + z(2)) / 3.0f;
    };
    const float nearZ = pickedZ();
    QCOMPARE(qAbs(nearZ), 1.0f);
    // Pull the plane on the viewer's side in to the middle, then let go of it.
    const int plane = nearZ > 0 ? PLANE_1 : PLANE_2;
    QTest::mouseClick(page->planeButton(plane), Qt::LeftButton);
    dragMouse(view, Qt::RightButton, QPointF(200, 100), QPointF(200, 100 + 1280));
    QTest::mouseClick(page->planeButton(plane), Qt::LeftButton);
    QCOMPARE(view->clipMode, 0);
    QCOMPARE(pickedZ(), -nearZ);
    QTest::mouseClick(page->resetAllButton(), Qt::LeftButton);
}

void ClippingViewTest::grabWithPlanesShowsLessOfTheMesh()
{
    // The planes of the mesh's own cube with PLANE_3 pulled in to x = 0.5.
    PlaneWidgetInCube cube;
    cube.initCube(4.0f);
    cube.selectPlane(PLANE_3);
    cube.pressPlanes(Vector(0, 0, 0, 1), 3);
    cube.dragPlanes(Vector(0, 960, 0, 1));
    const QString planes = scratch.filePath(QStringLiteral("right.slc"));
    QVERIFY(cube.save(planes.toStdString()));

    // The exit status, and the picture in out.
    const QString out = scratch.filePath(QStringLiteral("grab.png"));
    const auto grab = [&](const QStringList& extra, QImage& picture) {
        QFile::remove(out);
        const auto ran = runProgram(QStringLiteral(FACETRA_BIN),
            QStringList { "--grab", out, "--size", "320x240" } + extra + QStringList { cubePath });
        picture = QImage(out);
        return ran.first;
    };
    QImage whole, cut, none;
    QCOMPARE(grab({}, whole), 0);
    QCOMPARE(grab({ "--planes", planes }, cut), 0);
    QCOMPARE(cut.size(), QSize(320, 240));
    QVERIFY(countPixels(cut, isWhite) > countPixels(whole, isWhite) + 1000);
    // The left half is untouched.
    QCOMPARE(cut.copy(0, 0, 160, 240), whole.copy(0, 0, 160, 240));
    QCOMPARE(grab({ "--planes", scratch.filePath(QStringLiteral("absent.slc")) }, none), 1);
    QVERIFY(none.isNull());
}

QTEST_MAIN(ClippingViewTest)
#include "ClippingViewTest.moc"
