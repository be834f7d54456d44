#include "segmentation/ui/QtMeshClassifierWidget.h"

#include "pagekit/PageSlider.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <tuple>

namespace {

// The file questions start in the "Data" folder of the working directory when
// there is one.
QString dataFolder()
{
    return QDir::current().exists(QStringLiteral("Data"))
        ? QDir::current().filePath(QStringLiteral("Data"))
        : QString();
}

} // namespace

QtMeshClassifierWidget::QtMeshClassifierWidget(QWidget* parent, const QString& name)
    : QWidget(parent)
{
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("patchtab_blayout "));
    const auto addButton = [&](const char* text, void (QtMeshClassifierWidget::*slot)()) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        // Return in the tool dialogue must not press a page's button.
        button->setAutoDefault(false);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    addButton("Load ShortestPathTable", &QtMeshClassifierWidget::loadEvent);
    addButton("Save ShortestPathTable", &QtMeshClassifierWidget::saveEvent);
    // The shortest-path mode shows as the checked one of its two buttons.
    spModeButtons = new QButtonGroup(this);
    spModeButtons->setExclusive(true);
    spModeButtons->addButton(addButton("Floyd SP", &QtMeshClassifierWidget::floydEvent), 0);
    spModeButtons->addButton(addButton("Djikstra SP", &QtMeshClassifierWidget::djikstraEvent), 1);
    for (QAbstractButton* button : spModeButtons->buttons())
        button->setCheckable(true);
    spModeButtons->button(0)->setChecked(true);

    // Each patch count re-partitions the whole mesh: sent when the slider is
    // let go rather than at every step of a drag.
    std::tie(numPatchesLabel, numPatchesSlider)
        = addLabelledSlider(layout, QStringLiteral("Number of Patches:\t1"), "numpatches_label",
            { "threshmin_slider", 1, 50, 1, 1, 1, false }, this);
    std::tie(weightLabel, weightSlider) = addLabelledSlider(layout, QStringLiteral("Weight:\t0.5"),
        "weight_label", { "weight_slider", 0, 100, 50, 10, 1, true }, this);
    previousButton = addButton("Previous", &QtMeshClassifierWidget::previousEvent);
    nextButton = addButton("Next", &QtMeshClassifierWidget::nextEvent);
    patchLabel = new QLabel(this);
    patchLabel->setObjectName(QStringLiteral("patch_label"));
    layout->addWidget(patchLabel);
    showPatches(-1, 0);
    std::tie(thresholdLabel, thresholdSlider)
        = addLabelledSlider(layout, QStringLiteral("Patch Threshold:\t1"), "patchthreshold_label",
            { "patchthreshold_slider", 1, 100, 1, 5, 1, true }, this);
    addButton("Mark Current", &QtMeshClassifierWidget::markcurrentEvent);
    layout->addStretch(1);

    connect(
        numPatchesSlider, &QSlider::valueChanged, this, &QtMeshClassifierWidget::numbpatchesEvent);
    // The count is sent when the slider is let go; its label follows the drag.
    connect(
        numPatchesSlider, &QSlider::sliderMoved, this, &QtMeshClassifierWidget::setPatchCountLabel);
    connect(weightSlider, &QSlider::valueChanged, this, &QtMeshClassifierWidget::weightEvent);
    connect(
        thresholdSlider, &QSlider::valueChanged, this, &QtMeshClassifierWidget::patchthreshEvent);
}

void QtMeshClassifierWidget::apply()
{
    emit meshclassify_signal();
}

void QtMeshClassifierWidget::numbpatchesEvent(int n)
{
    numPatches = n;
    setPatchCountLabel(n);
    // When the slider moves, its own notification runs this once more first,
    // so the view hears the count twice; the second re-partition starts from
    // settled seeds and changes nothing.
    numPatchesSlider->setValue(n);
    emit numpatches_signal(n);
}

void QtMeshClassifierWidget::setPatchCountLabel(int n)
{
    numPatchesLabel->setText(QStringLiteral("Number of Patches:\t") + QString::number(n));
}

void QtMeshClassifierWidget::showPatchCount(int n)
{
    const QSignalBlocker quiet(this);
    const QSignalBlocker quietSlider(numPatchesSlider);
    numPatches = n;
    setPatchCountLabel(n);
    numPatchesSlider->setValue(n);
}

void QtMeshClassifierWidget::showPatches(int shown, int count)
{
    currentPatch = shown;
    patchLabel->setText(count <= 0 ? QStringLiteral("no patches: classify first")
            : shown < 0            ? QStringLiteral("%1 patches, none shown").arg(count)
                                   : QStringLiteral("patch %1 of %2").arg(shown + 1).arg(count));
    previousButton->setEnabled(count > 0 && shown > 0);
    nextButton->setEnabled(count > 0 && shown < count - 1);
}

void QtMeshClassifierWidget::showSettings(double weightValue, int spMode)
{
    const QSignalBlocker quiet(this);
    const QSignalBlocker quietSlider(weightSlider);
    weight = float(weightValue);
    weightSlider->setValue(qRound(weightValue * 100.0));
    setWeightLabel();
    if (QAbstractButton* button = spModeButtons->button(spMode))
        button->setChecked(true);
}

void QtMeshClassifierWidget::previousEvent()
{
    currentPatch = std::max(currentPatch - 1, 0);
    emit previouspatch_signal(currentPatch);
    emit patchthresh_signal(patchThreshold);
}

void QtMeshClassifierWidget::nextEvent()
{
    if (currentPatch + 1 <= numPatches - 1)
        ++currentPatch;
    emit nextpatch_signal(currentPatch);
    emit patchthresh_signal(patchThreshold);
}

void QtMeshClassifierWidget::patchthreshEvent(int value)
{
    patchThreshold = value;
    thresholdLabel->setText(QStringLiteral("Patch Threshold:\t") + QString::number(value));
    emit patchthresh_signal(value);
}

void QtMeshClassifierWidget::markcurrentEvent() { }

void QtMeshClassifierWidget::weightEvent(int value)
{
    weight = float(value / 100.0);
    setWeightLabel();
    emit weight_signal(weight);
}

void QtMeshClassifierWidget::setWeightLabel()
{
    weightLabel->setText(QStringLiteral("Weight:\t") + QString::number(double(weight), 'g', 6));
}

QString QtMeshClassifierWidget::withExtension(const QString& name)
{
    if (name.isEmpty())
        return name;
    if (name.size() >= 4 && name.at(name.size() - 4) == QLatin1Char('.'))
        return name;
    return name + QStringLiteral(".spt");
}

void QtMeshClassifierWidget::loadEvent()
{
    const QString name = withExtension(
        dialogs.openFileName(this, QString(), dataFolder(), QStringLiteral("*.spt")));
    if (!name.isEmpty())
        emit loadsp_signal(name);
}

void QtMeshClassifierWidget::saveEvent()
{
    const QString name = withExtension(
        dialogs.saveFileName(this, QString(), dataFolder(), QStringLiteral("*.spt")));
    if (!name.isEmpty())
        emit savesp_signal(name);
}

void QtMeshClassifierWidget::floydEvent()
{
    spModeButtons->button(0)->setChecked(true);
    emit sp_mode_signal(0);
}

void QtMeshClassifierWidget::djikstraEvent()
{
    spModeButtons->button(1)->setChecked(true);
    emit sp_mode_signal(1);
}
