// The Edge Traversal page, its routing to the view, the highlight, marking and
// "Save ALL..." in the real window, and the command-line tool's files beside the
// window's.
#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "viewer/ui/QtGLWidget.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QOpenGLContext>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

class TraversalGuiTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pageShowsAndSendsDepthAndAngle();
    void traversalMarkingAndExportThroughTheWindow();
    void loadingOrReloadingRestartsTheNumbering();

private:
    QTemporaryDir scratch;
    QString gridFile;
};

namespace {

// n x n vertices in the plane z = 0, facing the start view.
QByteArray gridObj(int n)
{
    QByteArray text;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            text += QByteArray("v ") + QByteArray::number(x) + ' ' + QByteArray::number(y) + " 0\n";
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int v = y * n + x + 1;
            text += "f " + QByteArray::number(v) + ' ' + QByteArray::number(v + 1) + ' '
                + QByteArray::number(v + n + 1) + '\n';
            text += "f " + QByteArray::number(v) + ' ' + QByteArray::number(v + n + 1) + ' '
                + QByteArray::number(v + n) + '\n';
        }
    }
    return text;
}

int traversedCount(const Mesh& mesh)
{
    int n = 0;
    for (int f = 0; f < mesh.numFaces; ++f)
        n += mesh.faces[std::size_t(f)].traversed;
    return n;
}

int highlightPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 240 && std::abs(c.green() - 140) < 10 && c.blue() < 15;
        }
    return n;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

void TraversalGuiTest::initTestCase()
{
    QVERIFY(scratch.isValid());
    gridFile = scratch.filePath(QStringLiteral("grid.obj"));
    QFile file(gridFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(gridObj(9));
}

void TraversalGuiTest::pageShowsAndSendsDepthAndAngle()
{
    QtMeshTraversalWidget page;
    QCOMPARE(page.objectName(), QStringLiteral("traversetab"));
    QCOMPARE(page.layout()->objectName(), QStringLiteral("smoothertab_blayout"));
    auto* depth = page.findChild<QSlider*>(QStringLiteral("depth_slider"));
    auto* angle = page.findChild<QSlider*>(QStringLiteral("stepsize_slider"));
    QVERIFY(depth && angle);
    QCOMPARE(QList<int>({ depth->minimum(), depth->maximum(), depth->value(), depth->pageStep(),
                 depth->tickInterval() }),
        QList<int>({ 0, 5000, 0, 1, 500 }));
    QCOMPARE(QList<int>({ angle->minimum(), angle->maximum(), angle->value(), angle->pageStep(),
                 angle->tickInterval() }),
        QList<int>({ 1, 360, 1, 1, 36 }));
    const QList<QLabel*> labels = page.findChildren<QLabel*>();
    QCOMPARE(labels.at(0)->text(), QStringLiteral("Edge Depth:\t0"));
    QCOMPARE(labels.at(1)->text(), QStringLiteral("Angle Size:\t1"));

    QSignalSpy traverse(&page, &QtMeshTraversalWidget::edgetraversal_signal);
    QSignalSpy mark(&page, &QtMeshTraversalWidget::markcurrent_signal);
    depth->setValue(2500);
    angle->setValue(45);
    QCOMPARE(labels.at(0)->text(), QStringLiteral("Edge Depth:\t2500"));
    QCOMPARE(labels.at(1)->text(), QStringLiteral("Angle Size:\t45"));
    page.apply();
    QCOMPARE(traverse.count(), 3);
    QCOMPARE(traverse.at(0), QVariantList({ 2500, 1 }));
    QCOMPARE(traverse.at(1), QVariantList({ 2500, 45 }));
    QCOMPARE(traverse.at(2), QVariantList({ 2500, 45 }));
    QTest::mouseClick(page.findChild<QPushButton*>(), Qt::LeftButton);
    QCOMPARE(mark.count(), 1);
    QCOMPARE(traverse.count(), 3);
}

void TraversalGuiTest::traversalMarkingAndExportThroughTheWindow()
{
    QOpenGLContext context;
    if (!context.create())
        QSKIP("no OpenGL on this display");
    QtMainWindow window;
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resizeView(300, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QtGLWidget* view = window.glView();
    QVERIFY(view->loadMesh(gridFile));
    QtMeshEditorDialogue* editor = window.meshEditor;
    QCOMPARE(editor->tabs()->tabText(editor->tabs()->indexOf(editor->traversalPage)),
        QStringLiteral("Edge Traversal"));
    QtMeshTraversalWidget* page = editor->traversalPage;

    // Before any pick the slot's guard holds the traversal back.
    page->findChild<QSlider*>(QStringLiteral("stepsize_slider"))->setValue(10);
    page->findChild<QSlider*>(QStringLiteral("depth_slider"))->setValue(2);
    QCOMPARE(traversedCount(view->mesh), 0);
    QCOMPARE(view->traversal.traversal.depth, 0);

    // A middle-button pick in the middle of the view runs the traversal with
    // the stored values... which a guarded slot never stored: nothing yet.
    QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, view->rect().center());
    const int picked = view->mesh.selected;
    QVERIFY(picked >= 1 && picked <= view->mesh.numFaces);
    QCOMPARE(traversedCount(view->mesh), 0);
    const int before = highlightPixels(view->grabFramebuffer());

    // Now the page reaches the view; Apply sends the same values again.
    editor->tabs()->setCurrentWidget(page);
    page->findChild<QSlider*>(QStringLiteral("depth_slider"))->setValue(3);
    const int reached = traversedCount(view->mesh);
    QVERIFY(reached > 3);
    QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
    QCOMPARE(traversedCount(view->mesh), reached);
    QVERIFY(highlightPixels(view->grabFramebuffer()) > before + 500);

    // Picking again re-runs the traversal with the page's values.
    QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, QPoint(70, 70));
    QCOMPARE(view->traversal.traversal.depth, 3);
    QVERIFY(view->mesh.selected != picked);
    QVERIFY(traversedCount(view->mesh) > 0);
    const int corner = view->mesh.selected;

    // Mark Current turns the region into segment 1; the highlight goes.
    window.mesheditorEvent();
    QTest::mouseClick(page->findChild<QPushButton*>(), Qt::LeftButton);
    QCOMPARE(view->traversal.traversal.segmentCount, 1);
    QCOMPARE(traversedCount(view->mesh), 0);
    // The segment shows in its colour.
    QVERIFY(view->faceColoursShown());
    QCOMPARE(highlightPixels(view->grabFramebuffer()), before);

    // Save ALL writes into the working directory and says where.
    const QString oldCwd = QDir::currentPath();
    QDir(scratch.path()).mkdir(QStringLiteral("window"));
    QDir::setCurrent(scratch.filePath(QStringLiteral("window")));
    window.saveallEvent();
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    QDir::setCurrent(oldCwd);
    QCOMPARE(window.statusBar->currentMessage(), QStringLiteral("Saved 3 files in ") + folder);

    // The command-line tool, given the same pick and values, writes the same bytes.
    QProcess cli;
    cli.start(QStringLiteral(FACETRA_CLI),
        { QStringLiteral("segment"), gridFile, QStringLiteral("--traverse"),
            QStringLiteral("%1:3:10").arg(corner), QStringLiteral("--mark"),
            QStringLiteral("--save-all"), scratch.filePath(QStringLiteral("cli")) });
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    for (const char* name : { "non-segemented.obj", "object_1.obj", "segemented.obj" }) {
        const QString file = QString::fromLatin1(name);
        QCOMPARE(fileBytes(scratch.filePath(QStringLiteral("cli/") + file)),
            fileBytes(scratch.filePath(QStringLiteral("window/") + file)));
    }
    QVERIFY(!fileBytes(scratch.filePath(QStringLiteral("window/object_1.obj"))).isEmpty());
}

void TraversalGuiTest::loadingOrReloadingRestartsTheNumbering()
{
    QOpenGLContext context;
    if (!context.create())
        QSKIP("no OpenGL on this display");
    QtMainWindow window;
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    QtGLWidget* view = window.glView();
    const auto markTwice = [view] {
        view->mesh.selected = 5;
        view->edgetraversal_slot(2, 10);
        view->markcurrent_slot();
        view->markcurrent_slot();
        QCOMPARE(view->traversal.traversal.segmentCount, 2);
        QVERIFY(view->mesh.faces[4].segment > 0 || view->mesh.faces[5].segment > 0);
    };
    QVERIFY(view->loadMesh(gridFile));
    markTwice();
    QVERIFY(view->loadMesh(gridFile));
    QCOMPARE(view->traversal.traversal.segmentCount, 0);
    QVERIFY(!view->faceColoursShown());
    markTwice();
    view->reload_slot();
    QCOMPARE(view->traversal.traversal.segmentCount, 0);
    for (const Face& face : view->mesh.faces)
        QCOMPARE(face.segment, 0);

    // A name no reader handles keeps the mesh, and with it its segments.
    markTwice();
    view->loadMesh(scratch.filePath(QStringLiteral("grid.gts")));
    QCOMPARE(view->traversal.traversal.segmentCount, 2);
}

QTEST_MAIN(TraversalGuiTest)
#include "TraversalGuiTest.moc"
