#include "morphogens/ui/QtMorphogenWidget.h"

#include "morphogens/engine/MorphogenSettings.h"
#include "morphogens/ui/MorphogenQtColours.h"
#include "pagekit/ColourSwatch.h"

#include <QButtonGroup>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kSwatchSize = 16;

QGroupBox* addGroup(QVBoxLayout* layout, const QString& title, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    layout->addWidget(group);
    return group;
}

} // namespace

QtMorphogenWidget::QtMorphogenWidget(QWidget* parent, const QString& name)
    : QWidget(parent)
{
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("vboxlayout"));

    QGroupBox* fileGroup = addGroup(layout, QStringLiteral("File:"), this);
    auto* fileLayout = new QVBoxLayout(fileGroup);
    auto* fileButtons = new QHBoxLayout;
    auto* loadButton = new QPushButton(QStringLiteral("Load"), fileGroup);
    auto* saveButton = new QPushButton(QStringLiteral("Save"), fileGroup);
    fileButtons->addWidget(loadButton);
    fileButtons->addWidget(saveButton);
    fileLayout->addLayout(fileButtons);
    statusLabel = new QLabel(fileGroup);
    statusLabel->setObjectName(QStringLiteral("morphostatus"));
    statusLabel->setWordWrap(true);
    statusLabel->hide();
    fileLayout->addWidget(statusLabel);

    QGroupBox* baseGroup = addGroup(layout, QStringLiteral("Base Colour: "), this);
    auto* baseLayout = new QHBoxLayout(baseGroup);
    baseSwatch = makeColourSwatch(baseGroup, basecolour, kSwatchSize);
    auto* pickButton = new QPushButton(QStringLiteral("Choose a Colour"), baseGroup);
    baseLayout->addWidget(baseSwatch);
    baseLayout->addWidget(pickButton);
    baseLayout->addStretch(1);

    QGroupBox* mixGroup = addGroup(layout, QStringLiteral("Colour Mixing: "), this);
    auto* mixLayout = new QHBoxLayout(mixGroup);
    additiveButton = new QRadioButton(QStringLiteral("additive"), mixGroup);
    subtractiveButton = new QRadioButton(QStringLiteral("subtractive"), mixGroup);
    additiveButton->setChecked(true);
    auto* mixButtons = new QButtonGroup(mixGroup);
    mixButtons->addButton(additiveButton);
    mixButtons->addButton(subtractiveButton);
    mixLayout->addWidget(additiveButton);
    mixLayout->addWidget(subtractiveButton);
    mixLayout->addStretch(1);

    treeWidget = new QTreeWidget(this);
    treeWidget->setColumnCount(3);
    treeWidget->setHeaderLabels(
        { QStringLiteral("On"), QStringLiteral("Morphogen"), QStringLiteral("Colour") });
    treeWidget->setRootIsDecorated(false);
    treeWidget->setMinimumHeight(400);
    layout->addWidget(treeWidget);

    // Inside the tool dialogue Return must not press a page button.
    for (QPushButton* button : { loadButton, saveButton, pickButton })
        button->setAutoDefault(false);

    connect(loadButton, &QPushButton::pressed, this, &QtMorphogenWidget::loadSlot);
    connect(saveButton, &QPushButton::pressed, this, &QtMorphogenWidget::saveSlot);
    connect(pickButton, &QPushButton::pressed, this, &QtMorphogenWidget::pickcolpressed_slot);
    connect(additiveButton, &QRadioButton::pressed, this, &QtMorphogenWidget::additiveclick_slot);
    connect(subtractiveButton, &QRadioButton::pressed, this,
        &QtMorphogenWidget::substractiveclick_slot);
    connect(treeWidget, &QTreeWidget::itemClicked, this, &QtMorphogenWidget::itemClickedSlot);
}

QString QtMorphogenWidget::statusText() const
{
    return statusLabel->text();
}

void QtMorphogenWidget::emitSetting()
{
    emit buildvertexcolour_signal(mixmode, tooglestates, morphocolours, basecolour);
}

void QtMorphogenWidget::showStatus(const QString& text)
{
    statusLabel->setText(text);
    statusLabel->setVisible(!text.isEmpty());
}

void QtMorphogenWidget::setRowSwatch(int row)
{
    QTreeWidgetItem* item = treeWidget->topLevelItem(row);
    treeWidget->setItemWidget(
        item, 2, makeColourSwatch(treeWidget, morphocolours[std::size_t(row)], kSwatchSize));
}

void QtMorphogenWidget::rebuildTree()
{
    treeWidget->clear();
    for (std::size_t r = 0; r < morphonames.size(); ++r) {
        auto* item = new QTreeWidgetItem(treeWidget);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, tooglestates[r] == 1 ? Qt::Checked : Qt::Unchecked);
        item->setText(1, QString::fromStdString(morphonames[r]));
        setRowSwatch(int(r));
    }
    treeWidget->resizeColumnToContents(0);
    treeWidget->resizeColumnToContents(1);
}

void QtMorphogenWidget::buildtree_slot(std::vector<std::string>& names)
{
    morphonames = names;
    // Morphogens start without a colour (the invalid colour, which colours as
    // black) and switched off.
    morphocolours.assign(names.size(), QColor());
    tooglestates.assign(names.size(), 0);
    rebuildTree();
}

void QtMorphogenWidget::itemClickedSlot(QTreeWidgetItem* item, int column)
{
    const int row = treeWidget->indexOfTopLevelItem(item);
    if (row < 0 || std::size_t(row) >= morphonames.size())
        return;
    if (column == 0) {
        tooglestates[std::size_t(row)] = item->checkState(0) == Qt::Checked ? 1 : 0;
        emitSetting();
    } else if (column == 2) {
        const QColor chosen = dialogs.colour(morphocolours[std::size_t(row)], this);
        if (!chosen.isValid())
            return;
        morphocolours[std::size_t(row)] = chosen;
        setRowSwatch(row);
        emitSetting();
    }
}

void QtMorphogenWidget::pickcolpressed_slot()
{
    const QColor chosen = dialogs.colour(basecolour, this);
    if (!chosen.isValid())
        return;
    basecolour = chosen;
    paintColourSwatch(baseSwatch, basecolour);
    emitSetting();
}

void QtMorphogenWidget::additiveclick_slot()
{
    mixmode = 0;
    emitSetting();
}

void QtMorphogenWidget::substractiveclick_slot()
{
    mixmode = 1;
    emitSetting();
}

void QtMorphogenWidget::saveSlot()
{
    const QString answer
        = dialogs.saveFileName(this, QString(), QStringLiteral("data"), QStringLiteral("*.mor"));
    if (answer.isEmpty())
        return;
    const std::string path = morphogenFileName(QFile::encodeName(answer).toStdString());
    if (!writeMorphogenSetting(
            path, morphogenSetting(mixmode, tooglestates, morphocolours, basecolour))) {
        showStatus(QStringLiteral("Could not write ") + QFile::decodeName(path.c_str()));
        return;
    }
    showStatus(QString());
}

void QtMorphogenWidget::loadSlot()
{
    const QString answer
        = dialogs.openFileName(this, QString(), QStringLiteral("data"), QStringLiteral("*.mor"));
    if (answer.isEmpty())
        return;
    MorphogenSetting setting = morphogenSetting(mixmode, tooglestates, morphocolours, basecolour);
    std::string problem;
    if (!readMorphogenSetting(QFile::encodeName(answer).toStdString(), setting, &problem)) {
        // The reason names the file as the system spells it.
        showStatus(QFile::decodeName(problem.c_str()));
        return;
    }
    showStatus(QString());
    mixmode = setting.mixMode;
    basecolour = morphogenQColor(setting.base);
    morphocolours.clear();
    for (const MorphogenRgb& c : setting.colours)
        morphocolours.push_back(morphogenQColor(c));
    tooglestates = setting.toggles;
    paintColourSwatch(baseSwatch, basecolour);
    additiveButton->setChecked(mixmode == 0);
    subtractiveButton->setChecked(mixmode != 0);
    rebuildTree();
    emitSetting();
}
