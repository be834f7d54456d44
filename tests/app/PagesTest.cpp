// The dialogue pages on their own, without GL: the tool dialogue's Apply, the
// light's position, the Clipping Planes page's files, the Mean Shift page's
// weight profile, the Morphogens page's clicks, colours, files and rows, the
// Terrain page's colour stops and height maps. Every page against the
// workbench in the window, its plane and algorithm buttons among them:
// WindowBatchTest::pagesShowTheWorkbench; the terrain the page builds from a
// map against facetra-cli's: WindowBatchTest::terrain.
#include "WindowTestUtil.h"

#include "clipping/ui/QtCLippingWidget.h"
#include "filtering/engine/MeanShiftFilter.h"
#include "filtering/ui/QtFunctionWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "terrain/ui/QtMeshTerrainWidget.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTreeWidget>

namespace {

std::vector<std::string> twoNames { "alpha", "beta" };

void answer(QtMorphogenWidget& page, QColor colour, QString file = {})
{
    page.dialogs.colour = [colour](const QColor&, QWidget*) { return colour; };
    page.dialogs.openFileName = page.dialogs.saveFileName
        = [file](QWidget*, const QString&, const QString&, const QString&) { return file; };
}

QStringList rowTexts(QtMeshTerrainWidget& page)
{
    QStringList texts;
    for (int i = 0; i < page.stopList()->topLevelItemCount(); ++i)
        texts << page.stopList()->topLevelItem(i)->text(1);
    return texts;
}

// Answers every stop dialogue: picks a colour when asked, types `text`, then
// presses OK (or CANCEL for a null text).
void answerStops(QtMeshTerrainWidget& page, const QString& text, bool pick = false)
{
    page.runStopDialog = [&page, text, pick](QDialog&) {
        if (pick)
            page.pickcol_event();
        if (text.isNull())
            return page.cancel_event();
        page.stopValueEdit()->setText(text);
        page.ok_event();
    };
}

} // namespace

class PagesTest : public QObject
{
    Q_OBJECT
private slots:
    void applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone();
    void positionIsSentOnceOnReleaseOrFromOutside();
    void clippingFileDialoguesSendNothingOnCancelAndAddTheSuffix();
    void dragMovesInnerPointsFreelyEndsOnlyVerticallyAndWeightsFollowTheCurve();
    void clicksColoursAndFilesReachTheSignalAndANewMeshsNamesReplaceEveryRow();
    void viewSavesOnlyColoursTheMorphogensMade();
    void stopsAreAddedEditedSortedAsTextAndDeleted();
    void heightMapsLoadSwappedAndAFailedLoadKeepsTheMap();
};

void PagesTest::applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone()
{
    QtMeshEditorDialogue dialogue;
    // No button may be the default: Return must not start a tool.
    for (QPushButton* button : dialogue.findChildren<QPushButton*>())
        QVERIFY(!button->isDefault() && !button->autoDefault());
    int firstRuns = 0, thirdRuns = 0;
    auto *first = new QWidget, *second = new QWidget, *third = new QWidget;
    dialogue.addPage(first, QStringLiteral("First"), [&] { ++firstRuns; });
    dialogue.addPage(second, QStringLiteral("Second"));
    dialogue.addPage(third, QStringLiteral("Third"), [&] { ++thirdRuns; });
    dialogue.tabs()->setCurrentWidget(third);
    QTest::mouseClick(dialogue.applyButton(), Qt::LeftButton);
    dialogue.tabs()->setCurrentWidget(second); // no action: Apply changes nothing
    dialogue.apply_event();
    QCOMPARE(firstRuns, 0);
    QCOMPARE(thirdRuns, 1);
}

void PagesTest::positionIsSentOnceOnReleaseOrFromOutside()
{
    QtLightSettingsWidget page;
    QSignalSpy position(&page, &QtLightSettingsWidget::light_position_signal);
    auto* altitude = page.findChild<QSlider*>(QStringLiteral("l_altitude_slider"));
    altitude->setSliderDown(true);
    altitude->setSliderPosition(90);
    QCOMPARE(position.count(), 0);
    altitude->setSliderDown(false);
    // Called from outside, the slot moves its slider and still sends only once.
    page.l_azimuth_event(45);
    QCOMPARE(position.count(), 2);
    QCOMPARE(position.at(0), QVariantList({ 90.0f, 180.0f }));
    QCOMPARE(position.at(1), QVariantList({ 90.0f, 45.0f }));
    QCOMPARE(page.findChild<QSlider*>(QStringLiteral("l_azimuth_slider"))->value(), 45);
}

void PagesTest::clippingFileDialoguesSendNothingOnCancelAndAddTheSuffix()
{
    QtCLippingWidget page;
    QSignalSpy load(&page, &QtCLippingWidget::cutplane_load_signal);
    QSignalSpy save(&page, &QtCLippingWidget::cutplane_save_signal);
    QString answer;
    page.dialogs.openFileName = page.dialogs.saveFileName
        = [&](auto, auto, auto, auto) { return answer; };

    QTest::mouseClick(page.loadButton(), Qt::LeftButton);
    QTest::mouseClick(page.saveButton(), Qt::LeftButton);
    QCOMPARE(load.count() + save.count(), 0);
    answer = QStringLiteral("cuts/front.slc");
    QTest::mouseClick(page.loadButton(), Qt::LeftButton);
    QCOMPARE(load.takeFirst().at(0).toString(), answer);
    for (const auto& [chosen, sent] : { std::pair { "cuts/front", "cuts/front.slc" },
             { "cuts/front.txt", "cuts/front.txt" }, { "a.b", "a.b.slc" } }) {
        answer = QString::fromLatin1(chosen);
        QTest::mouseClick(page.saveButton(), Qt::LeftButton);
        QCOMPARE(save.takeFirst().at(0).toString(), QString::fromLatin1(sent));
    }
}

// A press away from every point drags nothing and sends nothing.
void PagesTest::dragMovesInnerPointsFreelyEndsOnlyVerticallyAndWeightsFollowTheCurve()
{
    QtFunctionWidget plot;
    plot.resize(216, 136);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    std::vector<std::pair<std::vector<Vector>, int>> sent;
    connect(&plot, &QtFunctionWidget::signal_function, this,
        [&](std::vector<Vector> f, int h) { sent.emplace_back(f, h); });
    const auto drag = [&](QPointF from, QPointF to) {
        QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, from.toPoint());
        QMouseEvent move(QEvent::MouseMove, to, plot.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(&plot, &move);
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, to.toPoint());
    };
    // The plot starts 8 pixels in; point 1 is at (50, 0), point 0 at (0, 120).
    drag(QPointF(58, 8), QPointF(68, 68));
    drag(QPointF(8, 128), QPointF(48, 38));
    drag(QPointF(108, 108), QPointF(18, 18));
    QCOMPARE(plot.controlPoints()[1], Vector(60, 60, 0));
    QCOMPARE(plot.controlPoints()[0], Vector(0, 30, 0));
    QCOMPARE(sent.size(), std::size_t(2));
    QCOMPARE(sent.back().second, 120);
    QCOMPARE(sent.back().first.front(), Vector(0, 30, 0));

    // The filter weighs a normal by the height the curve is drawn at over its
    // distance, wherever the inner points were dragged sideways; they cannot
    // pass each other or the ends.
    MeanShiftFilter filter;
    connect(&plot, &QtFunctionWidget::signal_function, this,
        [&](std::vector<Vector> f, int h) { filter.setProfile(f, h); });
    // A plot 200 wide and 120 high: a hump pushed towards the rim, then the
    // second inner point dragged back past the first, where it stops.
    for (const auto& [index, x, y, stopsAt] : { std::tuple { 1, 170.0f, 100.0f, 150.0f },
             { 2, 190.0f, 10.0f, 190.0f }, { 2, 20.0f, 10.0f, 150.0f } }) {
        plot.moveControlPoint(index, x, y);
        QCOMPARE(plot.controlPoints()[std::size_t(index)].x, stopsAt);
        const std::vector<Vector> curve = plot.samples();
        for (std::size_t k = 0; k < curve.size(); k += 7) {
            const float drawn = 1.0f - curve[k].y / 120.0f;
            QVERIFY2(qAbs(filter.profileWeight(curve[k].x / 200.0f) - drawn) < 1e-4f,
                qPrintable(QStringLiteral("sample %1").arg(k)));
        }
    }
}

void PagesTest::clicksColoursAndFilesReachTheSignalAndANewMeshsNamesReplaceEveryRow()
{
    QTemporaryDir dir;
    QtMorphogenWidget page;
    QSignalSpy spy(&page, &QtMorphogenWidget::buildvertexcolour_signal);
    page.buildtree_slot(twoNames);
    QTreeWidget* tree = page.tree();

    // A real click on the first row's check box.
    page.show();
    QTreeWidgetItem* alpha = tree->topLevelItem(0);
    const int x = tree->header()->sectionPosition(0) + 4
        + tree->style()->pixelMetric(QStyle::PM_IndicatorWidth) / 2;
    QTest::mouseClick(
        tree->viewport(), Qt::LeftButton, {}, { x, tree->visualItemRect(alpha).center().y() });
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(1).value<std::vector<int>>(), (std::vector<int> { 1, 0 }));

    answer(page, Qt::red, dir.filePath("abcde"));
    page.itemClickedSlot(alpha, 2);
    page.pickcolpressed_slot();
    page.substractiveclick_slot();
    QCOMPARE(spy.count(), 4);
    // Cancelled colour dialogues change nothing and send nothing.
    answer(page, QColor(), dir.filePath("abcde"));
    page.itemClickedSlot(alpha, 2);
    page.pickcolpressed_slot();
    QCOMPARE(spy.count(), 4);
    QCOMPARE(page.baseColour(), QColor(Qt::red));

    // What the page saves, another page loads and sends unchanged.
    page.saveSlot();
    QtMorphogenWidget other;
    other.buildtree_slot(twoNames);
    QSignalSpy loaded(&other, &QtMorphogenWidget::buildvertexcolour_signal);
    answer(other, QColor(), dir.filePath("abcde.mor"));
    other.loadSlot();
    QCOMPARE(loaded.count(), 1);
    for (int i : { 0, 1, 3 }) // mode, toggles, base; an unset colour comes back black
        QCOMPARE(loaded.at(0).at(i), spy.at(3).at(i));

    // The rows of the last mesh go with their colours and switches; nothing is
    // sent. Fewer names and none come through the window.
    answer(page, Qt::red);
    alpha->setCheckState(0, Qt::Checked);
    page.itemClickedSlot(alpha, 0);
    page.itemClickedSlot(alpha, 2);
    spy.clear();

    std::vector<std::string> three { "gamma", "delta", "eps" };
    page.buildtree_slot(three);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(page.tree()->topLevelItemCount(), 3);
    QCOMPARE(page.names(), three);
    QCOMPARE(page.toggles(), std::vector<int>(3, 0));
    QCOMPARE(page.colours(), std::vector<QColor>(3));
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(
            page.tree()->topLevelItem(r)->text(1), QString::fromStdString(three[std::size_t(r)]));
        QCOMPARE(page.tree()->topLevelItem(r)->checkState(0), Qt::Unchecked);
    }
}

void PagesTest::viewSavesOnlyColoursTheMorphogensMade()
{
    QTemporaryDir dir;
    std::ofstream(dir.filePath("m.obj").toStdString())
        << "mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\nm 1 0\nm 0 1\nf 1 2 3\n";
    QtMainWindow window;
    QtGLWidget* view = window.glView();
    view->setToolRunner(nullptr);
    QtMorphogenWidget* page = window.meshEditor->morphogenPage;
    QVERIFY(view->loadMesh(dir.filePath("m.obj")));

    // The default display colour of an uncoloured mesh is not saved; the
    // morphogens are.
    QVERIFY(view->saveMesh(dir.filePath("plain.obj")));
    QVERIFY(!contents(dir.filePath("plain.obj")).contains("vc"));

    answer(*page, Qt::red);
    page->itemClickedSlot(page->tree()->topLevelItem(0), 2);
    page->tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    page->itemClickedSlot(page->tree()->topLevelItem(0), 0);
    QVERIFY(view->saveMesh(dir.filePath("coloured.obj")));
    QCOMPARE(contents(dir.filePath("coloured.obj")),
        QByteArray("mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvc 0.5 0 0\nvc 0 0 0\nvc 0 0 "
                   "0\nm 1 0\nm 0 1\nm 0 0\nf 1/1/ 2/2/ 3/3/\n"));
}

void PagesTest::stopsAreAddedEditedSortedAsTextAndDeleted()
{
    QtMeshTerrainWidget page;
    QSignalSpy spy(&page, &QtMeshTerrainWidget::build_vertexcolours_signal);
    // The last answer is CANCEL: nothing changes.
    for (const QString& text : QStringList { "0.0", "2", "10", "abc", QString() }) {
        answerStops(page, text);
        page.addcol_event();
    }
    QCOMPARE(rowTexts(page), QStringList({ "0.0", "0.0", "1.0", "10", "2", "abc" }));
    QCOMPARE(spy.count(), 4);
    QCOMPARE(
        spy.last().at(1).value<std::vector<float>>(), std::vector<float>({ 0, 0, 1, 10, 2, 0 }));

    // A picked colour lands in the row, a cancelled pick keeps it.
    page.dialogs.colour = [](const QColor& initial, QWidget*) {
        return initial == Qt::white ? QColor(10, 200, 30) : QColor();
    };
    QTreeWidget* list = page.stopList();
    for (int round = 0; round < 2; ++round) {
        answerStops(page, QStringLiteral("1"), true);
        page.itemDoubleClickedSlot(list->topLevelItem(2), 1);
        QCOMPARE(page.colours.at(2), QColor(10, 200, 30));
    }

    // "del" drops the selected row and re-exports; without a selection nothing.
    QSignalSpy useStops(&page, &QtMeshTerrainWidget::usecolourstops_signal);
    page.delcol_event();
    QCOMPARE(spy.count(), 6);
    list->setCurrentItem(list->topLevelItem(0));
    page.delcol_event();
    QCOMPARE(page.values, std::vector<float>({ 0, 1, 10, 2, 0 }));
    QCOMPARE(spy.count(), 7);
    // The check box switches the view to the stops and recolours at once.
    page.findChild<QCheckBox*>()->setChecked(true);
    QCOMPARE(useStops.count(), 1);
    QCOMPARE(spy.count(), 8);
}

void PagesTest::heightMapsLoadSwappedAndAFailedLoadKeepsTheMap()
{
    QTemporaryDir dir;
    QImage red(3, 2, QImage::Format_ARGB32);
    red.fill(qRgb(255, 0, 0));
    QVERIFY(red.save(dir.filePath("red.png"), "PNG"));
    std::ofstream(dir.filePath("text.png").toStdString()) << "no picture";

    // Red and blue are swapped; a file that is no picture, or none chosen, keeps the map.
    QtMeshTerrainWidget page;
    for (const QString& answer : { dir.filePath("red.png"), dir.filePath("text.png"), QString() }) {
        page.dialogs.openFileName = [&](auto, auto, auto, auto) { return answer; };
        page.heightmapload_event();
        QCOMPARE(page.heightmap.toImage().pixelColor(0, 0).blue(), 255);
    }
}

QTEST_MAIN(PagesTest)
#include "PagesTest.moc"
