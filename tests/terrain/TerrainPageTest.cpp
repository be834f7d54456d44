#include "mesh/engine/Mesh.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/HeightMapImage.h"
#include "terrain/ui/QtMeshTerrainWidget.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <fstream>

namespace {

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

class TerrainPageTest : public QObject
{
    Q_OBJECT
private slots:
    void stopsAreAddedEditedSortedAsTextAndDeleted();
    void heightMapsLoadSwappedAndBuildTheCommandsMesh();
};

void TerrainPageTest::stopsAreAddedEditedSortedAsTextAndDeleted()
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

void TerrainPageTest::heightMapsLoadSwappedAndBuildTheCommandsMesh()
{
    QTemporaryDir dir;
    QImage noise(90, 200, QImage::Format_ARGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgba(x * 7 % 256, 0, (x * y) % 256, 128 + x));
    noise.setPixel(0, 0, qRgb(255, 0, 0));
    QVERIFY(noise.save(dir.filePath("noise.png"), "PNG"));
    std::ofstream(dir.filePath("text.png").toStdString()) << "no picture";

    // Red and blue are swapped; a file that is no picture, or none chosen, keeps the map.
    QtMeshTerrainWidget page;
    for (const QString& answer :
        { dir.filePath("noise.png"), dir.filePath("text.png"), QString() }) {
        page.dialogs.openFileName = [&](auto, auto, auto, auto) { return answer; };
        page.heightmapload_event();
        QCOMPARE(page.heightmap.toImage().pixelColor(0, 0).blue(), 255);
    }

    QSignalSpy built(&page, &QtMeshTerrainWidget::terrainbuilt_signal);
    Mesh mesh, cli;
    page.mesh = &mesh;
    page.gridres_event(300);
    page.buildTerrain();
    QCOMPARE(built.count(), 1);
    QImage image;
    QVERIFY(loadHeightMapImage(dir.filePath("noise.png"), image));
    QVERIFY(buildTerrainMesh(cli, heightMapFromImage(image), { 300, 256, 64 }));
    QVERIFY(mesh.vertices == cli.vertices && mesh.vertices[0].y != mesh.vertices[45000].y);
}

QTEST_MAIN(TerrainPageTest)
#include "TerrainPageTest.moc"
