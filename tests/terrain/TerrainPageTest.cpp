#include "mesh/engine/Mesh.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/HeightMapImage.h"
#include "terrain/ui/QtMeshTerrainWidget.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <cstdio>

namespace {

QStringList rowTexts(QtMeshTerrainWidget& page)
{
    QStringList texts;
    for (int i = 0; i < page.stopList()->topLevelItemCount(); ++i)
        texts << page.stopList()->topLevelItem(i)->text(1);
    return texts;
}

QColor rowColour(QtMeshTerrainWidget& page, int row)
{
    QTreeWidget* list = page.stopList();
    auto* swatch = qobject_cast<QLabel*>(list->itemWidget(list->topLevelItem(row), 0));
    return swatch ? swatch->pixmap().toImage().pixelColor(0, 0) : QColor();
}

// Answers every stop dialogue with this value text, optionally picking a
// colour first; `confirm` false presses CANCEL instead of OK.
void answerStops(QtMeshTerrainWidget& page, const QString& text, bool pick = false,
    bool confirm = true, QString* seenName = nullptr, QString* seenText = nullptr)
{
    page.runStopDialog = [&page, text, pick, confirm, seenName, seenText](QDialog& dialog) {
        if (seenName)
            *seenName = dialog.objectName();
        if (seenText)
            *seenText = page.stopValueEdit()->text();
        if (pick)
            page.pickcol_event();
        page.stopValueEdit()->setText(text);
        if (confirm)
            page.ok_event();
        else
            page.cancel_event();
    };
}

std::vector<float> exportedValues(const QSignalSpy& spy)
{
    return spy.last().at(1).value<std::vector<float>>();
}

} // namespace

class TerrainPageTest : public QObject
{
    Q_OBJECT
private slots:
    void startsAt64By64With256AndTwoStops();
    void addedStopsSortAsText();
    void editingShowsTheShortNumberAndCancelledPickKeepsTheColour();
    void delRemovesTheSelectedStop();
    void unreadableHeightMapIsRefused();
    void buildsIntoTheHandedMesh();
};

void TerrainPageTest::startsAt64By64With256AndTwoStops()
{
    QtMeshTerrainWidget page;
    QCOMPARE(page.objectName(), QStringLiteral("terraintab"));
    QCOMPARE(page.layout()->objectName(), QStringLiteral("terrain_blayout"));
    QCOMPARE(page.layout()->spacing(), 10);
    QCOMPARE(page.gridResolution, 64);
    QCOMPARE(page.gridScale, 256);
    QCOMPARE(page.heightScale, 64);
    const auto sliders = page.findChildren<QSlider*>();
    QCOMPARE(sliders.size(), 3);
    const struct
    {
        const char* name;
        int maximum, value;
        const char* label;
    } expected[] = { { "gridres_slider", 512, 64, "Grid Resolution:\t64" },
        { "gridres_slider", 512, 256, "Grid Scale:\t256" },
        { "height_slider", 1024, 64, "Height Scale:\t64" } };
    const auto labels = page.findChildren<QLabel*>(QRegularExpression("_label$"));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(sliders[i]->objectName(), QString::fromLatin1(expected[i].name));
        QCOMPARE(sliders[i]->minimum(), 1);
        QCOMPARE(sliders[i]->maximum(), expected[i].maximum);
        QCOMPARE(sliders[i]->value(), expected[i].value);
        QCOMPARE(sliders[i]->tickInterval(), 25);
        QCOMPARE(sliders[i]->pageStep(), 1);
        QCOMPARE(labels[i]->text(), QString::fromLatin1(expected[i].label));
    }
    sliders[0]->setValue(512);
    QCOMPARE(page.gridResolution, 512);
    QCOMPARE(labels[0]->text(), QStringLiteral("Grid Resolution:\t512"));

    QCOMPARE(rowTexts(page), QStringList({ "0.0", "1.0" }));
    QCOMPARE(rowColour(page, 0), QColor(Qt::black));
    QCOMPARE(rowColour(page, 1), QColor(Qt::white));
    QCOMPARE(page.values, std::vector<float>({ 0.0f, 1.0f }));
    QCOMPARE(page.heightmap.size(), QSize(256, 256));
    QCOMPARE(page.heightmap.toImage().pixelColor(100, 100), QColor(Qt::black));
    QVERIFY(!page.useColourStops());
}

void TerrainPageTest::addedStopsSortAsText()
{
    QtMeshTerrainWidget page;
    QSignalSpy spy(&page, &QtMeshTerrainWidget::build_vertexcolours_signal);
    QString name, text;
    answerStops(page, QStringLiteral("0.0"), false, true, &name, &text);
    page.addcol_event();
    QCOMPARE(name, QStringLiteral("New Colour"));
    QCOMPARE(text, QStringLiteral("0.0"));
    QCOMPARE(rowTexts(page), QStringList({ "0.0", "0.0", "1.0" }));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(exportedValues(spy), std::vector<float>({ 0.0f, 0.0f, 1.0f }));

    for (const char* value : { "2", "10", "abc" }) {
        answerStops(page, QString::fromLatin1(value));
        page.addcol_event();
    }
    QCOMPARE(rowTexts(page), QStringList({ "0.0", "0.0", "1.0", "10", "2", "abc" }));
    QCOMPARE(exportedValues(spy), std::vector<float>({ 0, 0, 1, 10, 2, 0 }));
    QCOMPARE(page.colours.size(), std::size_t(6));

    // CANCEL changes nothing and sends nothing.
    answerStops(page, QStringLiteral("0.5"), false, false);
    page.addcol_event();
    QCOMPARE(rowTexts(page).size(), 6);
    QCOMPARE(spy.count(), 4);
}

void TerrainPageTest::editingShowsTheShortNumberAndCancelledPickKeepsTheColour()
{
    QtMeshTerrainWidget page;
    QSignalSpy spy(&page, &QtMeshTerrainWidget::build_vertexcolours_signal);
    QTreeWidget* list = page.stopList();
    QString name, text;

    // A picked colour lands in the row; the unchanged text is stored shorter.
    page.dialogs.colour = [](const QColor& initial, QWidget*) {
        return initial == QColor(Qt::white) ? QColor(10, 200, 30) : QColor();
    };
    answerStops(page, QString(), true, true, &name, &text);
    page.runStopDialog = [&](QDialog& dialog) {
        name = dialog.objectName();
        text = page.stopValueEdit()->text();
        page.pickcol_event();
        page.ok_event();
    };
    page.itemDoubleClickedSlot(list->topLevelItem(1), 1);
    QCOMPARE(name, QStringLiteral("Edit Colour"));
    QCOMPARE(text, QStringLiteral("1"));
    QCOMPARE(rowTexts(page), QStringList({ "0.0", "1" }));
    QCOMPARE(rowColour(page, 1), QColor(10, 200, 30));
    QCOMPARE(page.colours.at(1), QColor(10, 200, 30));

    // Cancelling "Pick a Colour" keeps the stop's colour.
    page.itemDoubleClickedSlot(list->topLevelItem(1), 0);
    QCOMPARE(rowColour(page, 1), QColor(10, 200, 30));
    QCOMPARE(page.pickedColour, QColor(10, 200, 30));
    // A quarter shows as 0.25.
    answerStops(page, QStringLiteral("0.25"));
    page.itemDoubleClickedSlot(list->topLevelItem(1), 0);
    answerStops(page, QStringLiteral("0.25"), false, true, &name, &text);
    page.itemDoubleClickedSlot(list->topLevelItem(1), 0);
    QCOMPARE(text, QStringLiteral("0.25"));
    QCOMPARE(spy.count(), 4);
}

void TerrainPageTest::delRemovesTheSelectedStop()
{
    QtMeshTerrainWidget page;
    QSignalSpy spy(&page, &QtMeshTerrainWidget::build_vertexcolours_signal);
    QTreeWidget* list = page.stopList();
    page.delcol_event(); // nothing selected
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(spy.count(), 0);

    list->setCurrentItem(list->topLevelItem(0));
    page.delcol_event();
    QCOMPARE(rowTexts(page), QStringList({ "1.0" }));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(page.values, std::vector<float>({ 1.0f }));
    QCOMPARE(page.colours, std::vector<QColor>({ QColor(Qt::white) }));

    // The check box switches the view to the stops and recolours at once.
    QSignalSpy stopsSpy(&page, &QtMeshTerrainWidget::usecolourstops_signal);
    page.findChild<QCheckBox*>("usestops_check")->setChecked(true);
    QCOMPARE(stopsSpy.count(), 1);
    QCOMPARE(stopsSpy.last().at(0).toBool(), true);
    QCOMPARE(spy.count(), 2);
}

void TerrainPageTest::unreadableHeightMapIsRefused()
{
    QTemporaryDir dir;
    QImage white(300, 100, QImage::Format_RGB32);
    white.fill(QColor(255, 0, 0));
    QVERIFY(white.save(dir.filePath("red.png"), "PNG"));
    QFile text(dir.filePath("text.png"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();

    QtMeshTerrainWidget page;
    QString asked;
    QString answer = dir.filePath("red.png");
    page.dialogs.openFileName
        = [&](QWidget*, const QString&, const QString& start, const QString& filter) {
              asked = start + QLatin1Char('|') + filter;
              return answer;
          };
    page.heightmapload_event();
    QCOMPARE(asked, QStringLiteral("Data/Heightmaps/|*.png"));
    QCOMPARE(page.heightmap.size(), QSize(256, 256));
    QCOMPARE(page.heightmap.toImage().pixelColor(10, 10), QColor(0, 0, 255)); // swapped
    QCOMPARE(page.preview()->pixmap().toImage().pixelColor(10, 10), QColor(0, 0, 255));

    answer = dir.filePath("text.png");
    std::fflush(stdout);
    page.heightmapload_event();
    QVERIFY(page.loadMessage().contains(QStringLiteral("text.png")));
    QCOMPARE(page.heightmap.toImage().pixelColor(10, 10), QColor(0, 0, 255));

    answer.clear(); // cancelled: unchanged
    page.heightmapload_event();
    QCOMPARE(page.heightmap.toImage().pixelColor(10, 10), QColor(0, 0, 255));
}

void TerrainPageTest::buildsIntoTheHandedMesh()
{
    QtMeshTerrainWidget page;
    QSignalSpy built(&page, &QtMeshTerrainWidget::terrainbuilt_signal);
    page.buildTerrain(); // no mesh yet: nothing
    QCOMPARE(built.count(), 0);

    Mesh mesh;
    page.mesh = &mesh;
    page.gridres_event(3);
    page.buildTerrain();
    QCOMPARE(built.count(), 1);
    QCOMPARE(mesh.numVertices, 9);
    QCOMPARE(mesh.numFaces, 8);
    QCOMPARE(mesh.vertices[8].x, 256.0f * (2.0f / 3.0f));
    QCOMPARE(mesh.vertices[8].y, 0.0f);

    // Through the page's pixmap the terrain is the one the command-line tool
    // builds from the same file.
    QTemporaryDir dir;
    QImage noise(90, 200, QImage::Format_ARGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgba(x * 7 % 256, y * 13 % 256, (x * y) % 256, 128 + x));
    QVERIFY(noise.save(dir.filePath("noise.png"), "PNG"));
    page.dialogs.openFileName = [&](QWidget*, const QString&, const QString&, const QString&) {
        return dir.filePath("noise.png");
    };
    page.heightmapload_event();
    page.gridres_event(300);
    page.buildTerrain();
    QImage image;
    QVERIFY(loadHeightMapImage(dir.filePath("noise.png"), image));
    Mesh cli;
    QVERIFY(buildTerrainMesh(cli, heightMapFromImage(image), { 300, 256, 64 }));
    QCOMPARE(mesh.numVertices, cli.numVertices);
    bool same = true;
    float lowest = cli.vertices[0].y, highest = lowest;
    for (int i = 0; i < cli.numVertices; ++i) {
        same = same && mesh.vertices[i].y == cli.vertices[i].y;
        lowest = std::min(lowest, cli.vertices[i].y);
        highest = std::max(highest, cli.vertices[i].y);
    }
    QVERIFY(same);
    QVERIFY(highest - lowest > 32.0f);
}

QTEST_MAIN(TerrainPageTest)
#include "TerrainPageTest.moc"
