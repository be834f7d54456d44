// The Classification page, the view's classifier slots and their routing
// through the main window.
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
private:
    QTemporaryDir dir;
    QString sheet;

private slots:
    void initTestCase()
    {
        sheet = dir.filePath(QStringLiteral("sheet.obj"));
        QVERIFY(writeObj(bumpyGrid(11, 3.0f), sheet.toStdString()));
    }
    void pageSendsModeWeightCountAndBrowsingWithinThePatches();
    void tableFileNamesGetTheirExtension();
    void applyClassifiesAndTheSliderFollows();
};

void ClassificationGuiTest::pageSendsModeWeightCountAndBrowsingWithinThePatches()
{
    QtMeshClassifierWidget page;
    QSignalSpy mode(&page, &QtMeshClassifierWidget::sp_mode_signal);
    QSignalSpy weight(&page, &QtMeshClassifierWidget::weight_signal);
    QSignalSpy previous(&page, &QtMeshClassifierWidget::previouspatch_signal);
    QSignalSpy next(&page, &QtMeshClassifierWidget::nextpatch_signal);
    QSignalSpy threshold(&page, &QtMeshClassifierWidget::patchthresh_signal);
    page.djikstraEvent();
    page.floydEvent();
    QCOMPARE(mode.count(), 2);
    QCOMPARE(mode.at(0).at(0).toInt(), 1);
    QCOMPARE(mode.at(1).at(0).toInt(), 0);
    page.weightSlider->setValue(25);
    QCOMPARE(weight.last().at(0).toFloat(), 0.25f);
    // One patch: "Next" stays at 0; each browse step also sends the threshold.
    page.nextEvent();
    QCOMPARE(next.last().at(0).toInt(), 0);
    page.numPatches = 3;
    page.patchthreshEvent(40);
    for (int i = 0; i < 3; ++i)
        page.nextEvent();
    QCOMPARE(next.last().at(0).toInt(), 2);
    page.previousEvent();
    QCOMPARE(previous.last().at(0).toInt(), 1);
    QCOMPARE(threshold.count(), 6);
    QCOMPARE(threshold.last().at(0).toInt(), 40);

    // The patch count is sent twice when the slider moves, once when it does not.
    page.numPatchesSlider->setValue(3);
    QSignalSpy count(&page, &QtMeshClassifierWidget::numpatches_signal);
    page.numbpatchesEvent(7);
    QCOMPARE(count.count(), 2);
    QCOMPARE(count.at(1).at(0).toInt(), 7);
    page.numbpatchesEvent(7);
    QCOMPARE(count.count(), 3);
}

void ClassificationGuiTest::tableFileNamesGetTheirExtension()
{
    QtMeshClassifierWidget page;
    QSignalSpy saved(&page, &QtMeshClassifierWidget::savesp_signal);
    QSignalSpy loaded(&page, &QtMeshClassifierWidget::loadsp_signal);
    QString answer;
    page.dialogs.saveFileName = page.dialogs.openFileName
        = [&](QWidget*, const QString&, const QString&, const QString& filter) {
              return filter == QLatin1String("*.spt") ? answer : QString();
          };
    for (const auto& [chosen, sent] : { std::pair { "table", "table.spt" },
             { "table.abc", "table.abc" }, { "t.ab", "t.ab.spt" } }) {
        answer = QLatin1String(chosen);
        page.saveEvent();
        page.loadEvent();
        QCOMPARE(saved.last().at(0).toString(), QLatin1String(sent));
        QCOMPARE(loaded.last().at(0).toString(), QLatin1String(sent));
    }
    answer.clear(); // cancelled: nothing sent
    page.saveEvent();
    QCOMPARE(saved.count(), 3);
}

void ClassificationGuiTest::applyClassifiesAndTheSliderFollows()
{
    {
        QOpenGLContext context;
        if (!context.create())
            QSKIP("no OpenGL on this display");
    }
    QtMainWindow window;
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
