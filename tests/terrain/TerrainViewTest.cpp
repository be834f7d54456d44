// The Terrain page through the tool dialogue to the view, as a user drives it.
#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "terrain/ui/QtMeshTerrainWidget.h"
#include "viewer/ui/QtGLWidget.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QOpenGLContext>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

class TerrainViewTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void applyBuildsATerrainTheViewTreatsAsLoaded();
    void stopsColourByHeight();
};

void TerrainViewTest::initTestCase()
{
    QOpenGLContext context;
    if (!context.create())
        QSKIP("no OpenGL on this display");
}

void TerrainViewTest::applyBuildsATerrainTheViewTreatsAsLoaded()
{
    QtMainWindow window;
    QtGLWidget* view = window.glView();
    window.resizeView(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QtMeshEditorDialogue* editor = window.meshEditor;
    QtMeshTerrainWidget* page = editor->terrainPage;
    QVERIFY(page);
    QCOMPARE(editor->tabs()->tabText(editor->tabs()->indexOf(page)), QStringLiteral("Terrain"));
    QCOMPARE(page->mesh, &view->mesh);

    // A height map rising towards the viewer.
    QTemporaryDir dir;
    QImage ramp(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ramp.setPixel(x, y, qRgb(y * 4, y * 4, y * 4));
    QVERIFY(ramp.save(dir.filePath("ramp.png"), "PNG"));
    page->dialogs.openFileName = [&](QWidget*, const QString&, const QString&, const QString&) {
        return dir.filePath("ramp.png");
    };
    page->heightmapload_event();

    window.mesheditorEvent();
    view->viewDistance = -50.0f;
    editor->tabs()->setCurrentWidget(page);
    QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numVertices, 4096);
    QCOMPARE(view->mesh.numFaces, 7938);
    QCOMPARE(window.statusBar->currentMessage(), QStringLiteral(" Verts: 4096 Faces: 7938"));
    QCOMPARE(view->viewDistance, -200.0f);
    QCOMPARE(view->backupMesh.numVertices, 4096);

    // The fit follows the terrain: seen from the front, its side spans about
    // two thirds of the window's shorter side.
    const QImage picture = view->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    int left = picture.width(), right = -1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixel(x, y) != qRgb(255, 255, 255)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    QVERIFY2(right - left > 150 && right - left < 250, qPrintable(QString::number(right - left)));

    // Reload brings back the terrain, not the mesh from before it.
    view->mesh.vertices[0].y = 1000.0f;
    QTest::mouseClick(editor->reloadButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numVertices, 4096);
    QVERIFY(view->mesh.vertices[0].y < 64.0f);
}

void TerrainViewTest::stopsColourByHeight()
{
    QtMainWindow window;
    QtGLWidget* view = window.glView();
    QtMeshTerrainWidget* page = window.meshEditor->terrainPage;
    page->gridres_event(2);
    page->buildTerrain();
    QCOMPARE(view->mesh.numVertices, 4);
    // A flat terrain: no range, every vertex coloured as the lowest.
    page->runStopDialog = [&](QDialog&) {
        page->stopValueEdit()->setText(QStringLiteral("0.5"));
        page->ok_event();
    };
    page->addcol_event();
    QCOMPARE(view->mesh.vertexColours[3].x, 0.0f);
    QVERIFY(qAbs(view->mesh.vertexColours[3].y - 1.0f / 6.0f) < 1e-6f);
    QCOMPARE(view->mesh.vertexColours[3].z, 1.0f);

    // With the stops the lowest takes the first stop's colour (black).
    page->findChild<QCheckBox*>("usestops_check")->setChecked(true);
    QVERIFY(view->terrain.useColourStops);
    QCOMPARE(view->mesh.vertexColours[3].x, 0.0f);
    QCOMPARE(view->mesh.vertexColours[3].z, 0.0f);

    // A hill in the middle: the top vertex takes the last stop (white).
    view->mesh.vertices[2].y = 10.0f;
    page->runStopDialog = [&](QDialog&) { page->cancel_event(); };
    QTreeWidget* list = page->stopList();
    list->setCurrentItem(list->topLevelItem(1));
    page->delcol_event(); // the black 0.5 stop added above goes
    QCOMPARE(page->values, std::vector<float>({ 0.0f, 1.0f }));
    QCOMPARE(view->mesh.vertexColours[2].x, 1.0f);
    QCOMPARE(view->mesh.vertexColours[0].x, 0.0f);
}

QTEST_MAIN(TerrainViewTest)
#include "TerrainViewTest.moc"
