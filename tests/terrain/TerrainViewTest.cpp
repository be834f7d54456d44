// The Terrain page through the tool dialogue to the view, as a user drives it.
#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "terrain/ui/QtMeshTerrainWidget.h"
#include "viewer/ui/QtGLWidget.h"

#include <QCheckBox>
#include <QOpenGLContext>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TerrainViewTest : public QObject
{
    Q_OBJECT
private slots:
    void builtTerrainIsTreatedAsLoadedAndColouredByHeight();
};

void TerrainViewTest::builtTerrainIsTreatedAsLoadedAndColouredByHeight()
{
    if (QOpenGLContext context; !context.create())
        QSKIP("no OpenGL on this display");
    QtMainWindow window;
    // The tools run at once: these checks are about the pages, not the runs.
    window.glView()->setToolRunner(nullptr);
    QtGLWidget* view = window.glView();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QtMeshEditorDialogue* editor = window.meshEditor;
    QtMeshTerrainWidget* page = editor->terrainPage;
    QImage map(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y) // rising towards the viewer
        for (int x = 0; x < 64; ++x)
            map.setPixel(x, y, qRgb(y * 4, y * 4, y * 4));
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("rising.png"));
    QVERIFY(map.save(file));
    page->dialogs.openFileName = [&](QWidget*, const QString&, const QString&, const QString&) {
        return file;
    };
    page->heightmapload_event();

    editor->tabs()->setCurrentWidget(page);
    QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numFaces, 7938);

    // Colouring by the stops: black at the bottom, white at the top.
    page->runStopDialog = [&](QDialog&) { page->ok_event(); };
    page->addcol_event();
    page->findChild<QCheckBox*>()->setChecked(true);
    QCOMPARE(view->mesh.vertexColours[0].z, 0.0f);
    QCOMPARE(view->mesh.vertexColours[4095].z, 1.0f);

    // Reload brings back the terrain as built, white.
    QTest::mouseClick(editor->reloadButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numVertices, 4096);
    QCOMPARE(view->mesh.vertexColours[0].x, 1.0f);
}

QTEST_MAIN(TerrainViewTest)
#include "TerrainViewTest.moc"
