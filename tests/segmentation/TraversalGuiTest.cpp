// The Edge Traversal page, its routing to the view, the highlight, marking and
// "Save ALL..." in the real window.
#include "SegmentationTestMeshes.h"

#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "mesh/engine/WriteObj.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "viewer/ui/QtGLWidget.h"

#include <QOpenGLContext>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

class TraversalGuiTest : public QObject
{
    Q_OBJECT
private slots:
    void pickGatesTraversalAndMarkReplacesTheHighlight();
};

void TraversalGuiTest::pickGatesTraversalAndMarkReplacesTheHighlight()
{
    QOpenGLContext context;
    if (!context.create())
        QSKIP("no OpenGL on this display");
    QTemporaryDir scratch;
    const QString grid = scratch.filePath(QStringLiteral("grid.obj"));
    QVERIFY(writeObj(bumpyGrid(9, 0.0f), grid.toStdString())); // flat, 128 faces

    QtMainWindow window;
    // The tools run at once: these checks are about the pages, not the runs.
    window.glView()->setToolRunner(nullptr);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resizeView(300, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QtGLWidget* view = window.glView();
    QVERIFY(view->loadMesh(grid));
    QtMeshTraversalWidget* page = window.meshEditor->traversalPage;
    const auto reached = [view] {
        return std::count_if(view->mesh.faces.begin(), view->mesh.faces.end(),
            [](const Face& f) { return f.traversed == 1; });
    };
    const auto orange = [view] {
        const QImage image = view->grabFramebuffer();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == qRgb(255, 140, 0);
        return n;
    };

    // Before a pick the view's guard holds the page's traversal back; the
    // pick then runs one with the stored values, the first the page sends after it.
    page->findChild<QSlider*>(QStringLiteral("depth_slider"))->setValue(2);
    QCOMPARE(reached(), 0);
    QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, QPoint(70, 70));
    QVERIFY(view->mesh.selected >= 1);
    page->findChild<QSlider*>(QStringLiteral("depth_slider"))->setValue(3);
    QVERIFY(reached() > 3);
    QVERIFY(orange() > 500);

    window.mesheditorEvent();
    QTest::mouseClick(page->findChild<QPushButton*>(), Qt::LeftButton);
    QCOMPARE(view->traversal.traversal.segmentCount, 1);
    QVERIFY(view->faceColoursShown());
    QCOMPARE(orange(), 0);

    const QString cwd = QDir::currentPath();
    QDir::setCurrent(scratch.path());
    window.saveallEvent();
    QDir::setCurrent(cwd);
    QVERIFY(QFileInfo(scratch.filePath(QStringLiteral("object_1.obj"))).size() > 0);

    // A new load, or a tool that builds new faces, starts the numbering again.
    QVERIFY(view->loadMesh(grid));
    QCOMPARE(view->traversal.traversal.segmentCount, 0);
    view->mesh.selected = 1;
    view->markcurrent_slot();
    QCOMPARE(view->traversal.traversal.segmentCount, 1);
    view->subdivide_slot(1, 0.0f);
    QCOMPARE(view->traversal.traversal.segmentCount, 0);
}

QTEST_MAIN(TraversalGuiTest)
#include "TraversalGuiTest.moc"
