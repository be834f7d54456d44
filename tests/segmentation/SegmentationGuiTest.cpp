// The Edge Traversal and Classification pages in the real window: routing to
// the view, the highlight and patch colours, marking, browsing, reloading. The
// Classification page's mode buttons against the workbench:
// WindowBatchTest::pagesShowTheWorkbench.
#include "../app/WindowTestUtil.h"
#include "SegmentationTestMeshes.h"

#include "mesh/engine/WriteObj.h"
#include "segmentation/ui/ClassifierView.h"
#include "segmentation/ui/QtMeshClassifierWidget.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>

namespace {

int yellowPixels(const QImage& image)
{
    return countPixels(
        image, [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 60; });
}

} // namespace

class SegmentationGuiTest : public QObject, WindowDriver
{
    Q_OBJECT

    // The mesh written to a file, and the window shown.
    QString showWindowFor(const Mesh& mesh)
    {
        const QString file = scratch.filePath(QStringLiteral("mesh.obj"));
        showWindow(300);
        return writeObj(mesh, file.toStdString()) ? file : QString();
    }

private slots:
    void init() { SKIP_WITHOUT_GL(); }
    void cleanup() { window.reset(); }
    void pickGatesTraversalMarkReplacesTheHighlightAndApplyClassifies();
};

void SegmentationGuiTest::pickGatesTraversalMarkReplacesTheHighlightAndApplyClassifies()
{
    const QString grid = showWindowFor(bumpyGrid(9, 0.0f)); // flat, 128 faces
    QVERIFY(!grid.isEmpty() && view->loadMesh(grid));
    QtMeshTraversalWidget* page = window->meshEditor->traversalPage;
    const auto reached = [this] { return std::ranges::count(view->mesh.faceTraversed, 1); };
    const auto orange = [this] {
        // The highlight colour (1, 0.55, 0), lit.
        return countPixels(view->grabFramebuffer(), [](QRgb c) {
            return qRed(c) > 150 && qAbs(qGreen(c) - qRed(c) * 0.55) < 8 && qBlue(c) < 20;
        });
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

    QTest::mouseClick(page->findChild<QPushButton*>(), Qt::LeftButton);
    QCOMPARE(view->workbench.traversal.segmentCount, 1);
    QVERIFY(view->faceColoursShown());
    QCOMPARE(orange(), 0);

    // Apply classifies a new window's mesh, and the slider follows.
    const QString sheet = showWindowFor(bumpyGrid(11, 3.0f));
    QVERIFY(!sheet.isEmpty());
    QtMeshClassifierWidget* classes = window->meshEditor->classifyPage;
    QSignalSpy found(view, &QtGLWidget::numbpatches_signal);

    // What the classes says of the patches, and where Previous and Next may go.
    const auto browsing = [classes](const QString& text, bool previous, bool next) {
        return classes->patchLabel->text() == text
            && classes->previousButton->isEnabled() == previous
            && classes->nextButton->isEnabled() == next;
    };
    QVERIFY(browsing(QStringLiteral("no patches: classify first"), false, false));

    // Nothing before a mesh, and no re-partition before a classification.
    classes->apply();
    QCOMPARE(found.count(), 0);
    open(sheet);
    classes->numbpatchesEvent(4);
    QVERIFY(view->workbench.classifier.patchOfFace.empty());
    QVERIFY(!view->faceColoursShown());

    classes->apply();
    QCOMPARE(found.count(), 1);
    const Mesh_Classifier& c = view->workbench.classifier;
    const int n = found.at(0).at(0).toInt();
    QVERIFY(n >= 2);
    QCOMPARE(classes->numPatchesSlider->value(), n);
    QVERIFY(view->faceColoursShown());
    const QImage classified = view->grabFramebuffer();
    QVERIFY(yellowPixels(classified) > 0);

    // Next walks from none shown to the last patch, where it stops; the
    // patch-count label follows a drag before the count is sent.
    QVERIFY(browsing(QStringLiteral("%1 patches, none shown").arg(n), false, true));
    for (int k = 1; k <= n; ++k) {
        classes->nextButton->click();
        QVERIFY2(browsing(QStringLiteral("patch %1 of %2").arg(k).arg(n), k > 1, k < n),
            qPrintable(classes->patchLabel->text()));
    }
    classes->numPatchesSlider->setSliderDown(true);
    classes->numPatchesSlider->setSliderPosition(n + 1);
    QVERIFY(classes->numPatchesLabel->text().endsWith(QString::number(n + 1)));
    QCOMPARE(c.numPatches, n);
    classes->numPatchesSlider->setSliderDown(false);
    QCOMPARE(c.numPatches, n + 1);
    classes->numbpatchesEvent(n);

    // Browsing lightens the patch shown; a count past the seeds is held to them.
    classes->previousEvent();
    QVERIFY(view->grabFramebuffer() != classified);
    classes->numbpatchesEvent(50);
    QCOMPARE(c.numPatches, 50);
    view->numpatches_slot(1000);
    QCOMPARE(c.numPatches, 51);

    // Reloading forgets the classification.
    window->meshEditor->reset_event();
    QCOMPARE(yellowPixels(view->grabFramebuffer()), 0);
}

QTEST_MAIN(SegmentationGuiTest)
#include "SegmentationGuiTest.moc"
