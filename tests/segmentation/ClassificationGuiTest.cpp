// Classifying from the page in the main window: colours, browsing, reloading.
#include "SegmentationTestMeshes.h"

#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"
#include "segmentation/ui/ClassifierView.h"
#include "segmentation/ui/QtMeshClassifierWidget.h"
#include "viewer/ui/QtGLWidget.h"

#include <QOpenGLContext>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int yellowPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            count += qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 60;
        }
    return count;
}

} // namespace

class ClassificationGuiTest : public QObject
{
    Q_OBJECT
private slots:
    void applyClassifiesAndTheSliderFollows();
};

void ClassificationGuiTest::applyClassifiesAndTheSliderFollows()
{
    {
        QOpenGLContext context;
        if (!context.create())
            QSKIP("no OpenGL on this display");
    }
    QTemporaryDir dir;
    const QString sheet = dir.filePath(QStringLiteral("sheet.obj"));
    QVERIFY(writeObj(bumpyGrid(11, 3.0f), sheet.toStdString()));
    QtMainWindow window;
    // The tools run at once: these checks are about the pages, not the runs.
    window.glView()->setToolRunner(nullptr);
    window.resizeView(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QtGLWidget* view = window.glView();
    QtMeshClassifierWidget* page = window.meshEditor->classifyPage;
    QSignalSpy found(view, &QtGLWidget::numbpatches_signal);

    // Nothing before a mesh, and no re-partition before a classification.
    page->apply();
    QCOMPARE(found.count(), 0);
    window.dialogs.openFileName
        = [&](QWidget*, const QString&, const QString&, const QString&) { return sheet; };
    window.openfileEvent();
    page->numbpatchesEvent(4);
    QVERIFY(view->classification->classifier.patchOfFace.empty());
    QVERIFY(!view->faceColoursShown());

    page->apply();
    QCOMPARE(found.count(), 1);
    const Mesh_Classifier& c = view->classification->classifier;
    const int n = found.at(0).at(0).toInt();
    QVERIFY(n >= 2);
    QCOMPARE(page->numPatchesSlider->value(), n);
    QVERIFY(view->faceColoursShown());
    const QImage classified = view->grabFramebuffer();
    QVERIFY(yellowPixels(classified) > 0);

    // Browsing lightens the patch shown; a count past the seeds is held to them.
    page->previousEvent();
    QVERIFY(view->grabFramebuffer() != classified);
    page->numbpatchesEvent(50);
    QCOMPARE(c.numPatches, 50);
    view->numpatches_slot(1000);
    QCOMPARE(c.numPatches, 51);

    // Reloading forgets the classification.
    window.meshEditor->reset_event();
    QCOMPARE(c.numPatches, 0);
    QVERIFY(!view->faceColoursShown());
    QCOMPARE(yellowPixels(view->grabFramebuffer()), 0);
}

QTEST_MAIN(ClassificationGuiTest)
#include "ClassificationGuiTest.moc"
