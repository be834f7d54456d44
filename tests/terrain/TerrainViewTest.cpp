// The Terrain page through the tool dialogue to the view, as a user drives it.
#include "../app/WindowTestUtil.h"

#include "terrain/ui/QtMeshTerrainWidget.h"

#include <QCheckBox>
#include <QOpenGLContext>

class TerrainViewTest : public QObject, WindowDriver
{
    Q_OBJECT
private slots:
    void builtTerrainIsTreatedAsLoadedAndColouredByHeight();
};

void TerrainViewTest::builtTerrainIsTreatedAsLoadedAndColouredByHeight()
{
    if (QOpenGLContext context; !context.create())
        QSKIP("no OpenGL on this display");
    showWindow(400);
    QtMeshTerrainWidget* page = tools->terrainPage;
    QImage map(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y) // rising towards the viewer
        for (int x = 0; x < 64; ++x)
            map.setPixel(x, y, qRgb(y * 4, y * 4, y * 4));
    const QString file = scratch.filePath(QStringLiteral("rising.png"));
    QVERIFY(map.save(file));
    page->dialogs.openFileName = [&](auto, auto, auto, auto) { return file; };
    page->heightmapload_event();

    apply(page);
    QCOMPARE(view->mesh.numFaces, 7938);

    // Colouring by the stops: black at the bottom, white at the top.
    page->runStopDialog = [&](QDialog&) { page->ok_event(); };
    page->addcol_event();
    page->findChild<QCheckBox*>()->setChecked(true);
    QCOMPARE(view->mesh.vertexColours[0].z, 0.0f);
    QCOMPARE(view->mesh.vertexColours[4095].z, 1.0f);

    // Reload brings back the terrain as built, white.
    click(tools->reloadButton());
    QCOMPARE(view->mesh.numVertices, 4096);
    QCOMPARE(view->mesh.vertexColours[0].x, 1.0f);
}

QTEST_MAIN(TerrainViewTest)
#include "TerrainViewTest.moc"
