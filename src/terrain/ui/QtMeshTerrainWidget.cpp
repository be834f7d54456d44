#include "terrain/ui/QtMeshTerrainWidget.h"

#include "pagekit/PageSlider.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/HeightMapImage.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <tuple>

namespace {

constexpr int kSwatchSize = 16;

QPixmap filledPixmap(const QColor& colour)
{
    QPixmap pixmap(kSwatchSize, kSwatchSize);
    pixmap.fill(colour);
    return pixmap;
}

QLabel* newSwatch(const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(parent);
    // A thin frame keeps a white stop visible on a white list.
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setFixedSize(kSwatchSize + 2, kSwatchSize + 2);
    label->setPixmap(filledPixmap(colour));
    return label;
}

QGroupBox* untitledGroup(QVBoxLayout* page, QLayout* contents)
{
    auto* group = new QGroupBox;
    group->setLayout(contents);
    page->addWidget(group, 0, Qt::AlignHCenter);
    return group;
}

} // namespace

QtMeshTerrainWidget::QtMeshTerrainWidget(QWidget* parent, const QString& name)
    : QWidget(parent)
    , runStopDialog([](QDialog& d) { d.exec(); })
{
    setObjectName(name);
    heightmap = QPixmap(HeightMap::kSide, HeightMap::kSide);
    heightmap.fill(Qt::black);

    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("terrain_blayout"));
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    auto* mapBox = new QVBoxLayout;
    auto* load = new QPushButton(QStringLiteral("Load Heightmap"));
    previewLabel = new QLabel(QStringLiteral("previelb"));
    previewLabel->setObjectName(QStringLiteral("previelb"));
    previewLabel->setScaledContents(true);
    previewLabel->setFixedSize(128, 128);
    previewLabel->setPixmap(heightmap);
    statusLabel = new QLabel;
    statusLabel->setObjectName(QStringLiteral("heightmap_status"));
    statusLabel->setWordWrap(true);
    statusLabel->hide();
    mapBox->addWidget(load);
    mapBox->addWidget(previewLabel, 0, Qt::AlignHCenter);
    mapBox->addWidget(statusLabel);
    untitledGroup(layout, mapBox);

    auto* stopBox = new QVBoxLayout;
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("add"));
    auto* del = new QPushButton(QStringLiteral("del"));
    buttons->addWidget(add);
    buttons->addWidget(del);
    stops = new QTreeWidget;
    stops->setObjectName(QStringLiteral("colourstops"));
    stops->setColumnCount(2);
    stops->setColumnWidth(0, 32);
    stops->setColumnWidth(1, 64);
    stops->header()->hide();
    stops->setRootIsDecorated(false);
    stops->setFixedHeight(120);
    for (const auto& [colour, text] :
        { std::pair { QColor(Qt::black), "0.0" }, std::pair { QColor(Qt::white), "1.0" } }) {
        auto* item = new QTreeWidgetItem(stops);
        item->setText(1, QString::fromLatin1(text));
        stops->setItemWidget(item, 0, newSwatch(colour, stops));
        colours.push_back(colour);
    }
    values = { 0.0f, 1.0f };
    useStopsBox = new QCheckBox(QStringLiteral("Use colour stops"));
    useStopsBox->setObjectName(QStringLiteral("usestops_check"));
    stopBox->addLayout(buttons);
    stopBox->addWidget(stops);
    stopBox->addWidget(useStopsBox);
    untitledGroup(layout, stopBox);

    auto* sliderBox = new QVBoxLayout;
    std::tie(resolutionLabel, resolutionSlider)
        = addLabelledSlider(sliderBox, QStringLiteral("Grid Resolution:\t256"), "gridres_label",
            { "gridres_slider", 1, 512, 256, 25, 1, true }, this);
    std::tie(scaleLabel, scaleSlider)
        = addLabelledSlider(sliderBox, QStringLiteral("Grid Scale:\t256"), "gridsize_label",
            { "gridres_slider", 1, 512, 256, 25, 1, true }, this);
    std::tie(heightLabel, heightSlider)
        = addLabelledSlider(sliderBox, QStringLiteral("Height Scale:\t256"), "height_label",
            { "height_slider", 1, 1024, 256, 25, 1, true }, this);
    untitledGroup(layout, sliderBox)->setMinimumWidth(240);
    layout->addStretch(1);

    // Return in the tool dialogue must not open a file dialogue or a stop.
    for (QPushButton* button : { load, add, del })
        button->setAutoDefault(false);
    connect(load, &QPushButton::clicked, this, &QtMeshTerrainWidget::heightmapload_event);
    connect(add, &QPushButton::clicked, this, &QtMeshTerrainWidget::addcol_event);
    connect(del, &QPushButton::clicked, this, &QtMeshTerrainWidget::delcol_event);
    connect(
        stops, &QTreeWidget::itemDoubleClicked, this, &QtMeshTerrainWidget::itemDoubleClickedSlot);
    connect(useStopsBox, &QCheckBox::toggled, this, &QtMeshTerrainWidget::useColourStopsToggled);
    connect(resolutionSlider, &QSlider::valueChanged, this, &QtMeshTerrainWidget::gridres_event);
    connect(scaleSlider, &QSlider::valueChanged, this, &QtMeshTerrainWidget::gridsize_event);
    connect(heightSlider, &QSlider::valueChanged, this, &QtMeshTerrainWidget::height_event);

    height_event(64);
    gridres_event(64);
    gridsize_event(256);
}

QString QtMeshTerrainWidget::loadMessage() const
{
    return statusLabel->text();
}

bool QtMeshTerrainWidget::useColourStops() const
{
    return useStopsBox->isChecked();
}

void QtMeshTerrainWidget::buildTerrain()
{
    const TerrainParameters parameters { gridResolution, gridScale, heightScale };
    if (buildRunner) {
        buildRunner(heightMapFile, parameters);
        return;
    }
    if (!mesh)
        return;
    if (buildTerrainMesh(*mesh, heightMapFromImage(heightmap.toImage()), parameters))
        emit terrainbuilt_signal();
}

void QtMeshTerrainWidget::heightmapload_event()
{
    const QString name = dialogs.openFileName(
        this, QString(), QStringLiteral("Data/Heightmaps/"), QStringLiteral("*.png"));
    if (!name.isEmpty()) {
        QImage image;
        std::string problem;
        if (loadHeightMapImage(name, image, &problem)) {
            heightmap = QPixmap::fromImage(image);
            heightMapFile = name;
            previewLabel->setPixmap(heightmap);
            statusLabel->clear();
            statusLabel->hide();
        } else {
            // Refused: the previous height map stays, and the user learns why.
            std::printf("ERROR: cannot read the height map %s: %s\n",
                QFile::encodeName(name).constData(), problem.c_str());
            std::fflush(stdout);
            statusLabel->setText(
                QStringLiteral("Cannot read %1: %2").arg(name, QString::fromStdString(problem)));
            statusLabel->show();
        }
    }
    update();
}

void QtMeshTerrainWidget::height_event(int value)
{
    heightScale = value;
    heightSlider->setValue(value);
    heightLabel->setText(QStringLiteral("Height Scale:\t") + QString::number(value));
    update();
}

void QtMeshTerrainWidget::gridres_event(int value)
{
    gridResolution = value;
    resolutionSlider->setValue(value);
    resolutionLabel->setText(QStringLiteral("Grid Resolution:\t") + QString::number(value));
    update();
}

void QtMeshTerrainWidget::gridsize_event(int value)
{
    gridScale = value;
    scaleSlider->setValue(value);
    scaleLabel->setText(QStringLiteral("Grid Scale:\t") + QString::number(value));
    update();
}

void QtMeshTerrainWidget::addcol_event()
{
    editIndex = -1;
    pickedColour = QColor(Qt::black);
    openStopDialog(QStringLiteral("New Colour"), QStringLiteral("0.0"));
}

void QtMeshTerrainWidget::itemDoubleClickedSlot(QTreeWidgetItem* item, int column)
{
    (void)column;
    const int row = stops->indexOfTopLevelItem(item);
    if (row < 0 || std::size_t(row) >= colours.size() || std::size_t(row) >= values.size())
        return;
    editIndex = row;
    pickedColour = colours[std::size_t(row)];
    openStopDialog(
        QStringLiteral("Edit Colour"), QString::number(double(values[std::size_t(row)]), 'g', 6));
}

void QtMeshTerrainWidget::openStopDialog(const QString& name, const QString& valueText)
{
    auto* d = new QDialog(this);
    d->setObjectName(name);
    d->setWindowTitle(name);
    d->setModal(true);
    auto* rows = new QVBoxLayout(d);

    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(new QLabel(QStringLiteral("Colour: "), d));
    swatch = newSwatch(pickedColour, d);
    colourRow->addWidget(swatch);
    auto* pick = new QPushButton(QStringLiteral("Pick a Colour"), d);
    colourRow->addWidget(pick);
    rows->addLayout(colourRow);

    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(new QLabel(QStringLiteral("Value: "), d));
    valueEdit = new QLineEdit(valueText, d);
    valueRow->addWidget(valueEdit);
    rows->addLayout(valueRow);

    auto* buttonRow = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), d);
    auto* cancel = new QPushButton(QStringLiteral("CANCEL"), d);
    buttonRow->addWidget(ok);
    buttonRow->addWidget(cancel);
    rows->addLayout(buttonRow);

    connect(pick, &QPushButton::clicked, this, &QtMeshTerrainWidget::pickcol_event);
    connect(ok, &QPushButton::clicked, this, &QtMeshTerrainWidget::ok_event);
    connect(cancel, &QPushButton::clicked, this, &QtMeshTerrainWidget::cancel_event);

    dialog = d;
    runStopDialog(*d);
    dialog = nullptr;
    swatch = nullptr;
    valueEdit = nullptr;
    delete d;
}

void QtMeshTerrainWidget::pickcol_event()
{
    if (editIndex == -1)
        pickedColour = QColor(Qt::black);
    const QColor chosen = dialogs.colour(pickedColour, this);
    // A cancelled colour dialogue answers with the invalid colour: keep the stop's.
    if (chosen.isValid())
        pickedColour = chosen;
    if (swatch)
        swatch->setPixmap(filledPixmap(pickedColour));
}

void QtMeshTerrainWidget::ok_event()
{
    if (!dialog || !valueEdit)
        return;
    dialog->accept();
    QTreeWidgetItem* row = editIndex != -1 ? stops->topLevelItem(editIndex) : nullptr;
    if (!row)
        row = new QTreeWidgetItem(stops);
    stops->setItemWidget(row, 0, newSwatch(pickedColour, stops));
    row->setText(1, valueEdit->text());
    // Text order, as the list has always sorted: "10" comes before "2".
    stops->sortItems(1, Qt::AscendingOrder);
    exportStops();
}

void QtMeshTerrainWidget::cancel_event()
{
    if (dialog)
        dialog->reject();
}

void QtMeshTerrainWidget::delcol_event()
{
    QTreeWidgetItem* row = stops->currentItem();
    if (!row || !row->isSelected())
        return;
    delete row;
    exportStops();
}

void QtMeshTerrainWidget::exportStops()
{
    colours.clear();
    values.clear();
    for (int i = 0; i < stops->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = stops->topLevelItem(i);
        const auto* label = qobject_cast<QLabel*>(stops->itemWidget(row, 0));
        const QPixmap pixmap = label ? label->pixmap() : QPixmap();
        colours.push_back(pixmap.isNull() ? QColor(Qt::black) : pixmap.toImage().pixelColor(0, 0));
        bool number = false;
        const float value = row->text(1).toFloat(&number);
        values.push_back(number ? value : 0.0f);
    }
    emit build_vertexcolours_signal(colours, values);
}

void QtMeshTerrainWidget::useColourStopsToggled(bool on)
{
    emit usecolourstops_signal(on);
    emit build_vertexcolours_signal(colours, values);
}
