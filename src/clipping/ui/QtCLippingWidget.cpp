#include "clipping/ui/QtCLippingWidget.h"

#include "pagekit/IconFile.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

QtCLippingWidget::QtCLippingWidget(QWidget* parent, const QString& name)
    : QWidget(parent)
{
    setObjectName(name);
    auto* topmost = new QHBoxLayout(this);
    topmost->setObjectName(QStringLiteral("topmost"));
    topmost->setContentsMargins(10, 10, 10, 10);
    topmost->setSpacing(5);
    const auto column = [topmost] {
        auto* layout = new QVBoxLayout;
        layout->setObjectName(QStringLiteral("vboxlayout"));
        layout->setSpacing(5);
        topmost->addLayout(layout);
        return layout;
    };
    const auto group = [this](QLayout* into, const QString& title, QLayout* layout) {
        auto* box = new QGroupBox(title, this);
        box->setLayout(layout);
        into->addWidget(box);
        return box;
    };

    QVBoxLayout* left = column();
    auto* fileLayout = new QVBoxLayout;
    QGroupBox* fileGroup = group(left, QStringLiteral("File:"), fileLayout);
    loadPushButton = new QPushButton(
        iconFile(QStringLiteral("icons/fileopen.xpm")), QStringLiteral("Load"), fileGroup);
    loadPushButton->setObjectName(QStringLiteral("open"));
    savePushButton = new QPushButton(
        iconFile(QStringLiteral("icons/filesave.xpm")), QStringLiteral("Save"), fileGroup);
    savePushButton->setObjectName(QStringLiteral("save"));
    fileLayout->addWidget(loadPushButton);
    fileLayout->addWidget(savePushButton);

    auto* actionLayout = new QVBoxLayout;
    QGroupBox* actionGroup = group(left, QStringLiteral("Actions:"), actionLayout);
    resetCurrentPushButton = new QPushButton(QStringLiteral("Reset Current"), actionGroup);
    resetAllPushButton = new QPushButton(QStringLiteral("Reset All"), actionGroup);
    showAllPushButton = new QPushButton(QStringLiteral("Show All"), actionGroup);
    showAllPushButton->setCheckable(true);
    actionLayout->addWidget(resetCurrentPushButton);
    actionLayout->addWidget(resetAllPushButton);
    actionLayout->addWidget(showAllPushButton);
    left->addStretch(1);

    QVBoxLayout* right = column();
    auto* planesLayout = new QVBoxLayout;
    QGroupBox* planesGroup = group(right, QStringLiteral("Clipping Planes:"), planesLayout);
    for (int i = 0; i < 6; ++i) {
        auto* planeLayout = new QVBoxLayout;
        auto* planeGroup = new QGroupBox(QStringLiteral("PLANE_%1").arg(i + 1), planesGroup);
        planeGroup->setLayout(planeLayout);
        planesLayout->addWidget(planeGroup);
        auto* button = new QPushButton(QStringLiteral("Enable/Disable"), planeGroup);
        button->setCheckable(true);
        planeLayout->addWidget(button);
        planeButtons[std::size_t(i)] = button;
        planeGroups[std::size_t(i)] = planeGroup;
    }
    right->addStretch(1);

    // Return in the tool dialogue must not press any of these.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }

    connect(loadPushButton, &QPushButton::clicked, this, &QtCLippingWidget::cutplane_load_event);
    connect(savePushButton, &QPushButton::clicked, this, &QtCLippingWidget::cutplane_save_event);
    connect(resetCurrentPushButton, &QPushButton::pressed, this,
        &QtCLippingWidget::resetcurr_button_event);
    connect(
        resetAllPushButton, &QPushButton::pressed, this, &QtCLippingWidget::resetall_button_event);
    connect(
        showAllPushButton, &QPushButton::clicked, this, &QtCLippingWidget::showall_button_event);
    void (QtCLippingWidget::*const planeEvents[6])() = {
        &QtCLippingWidget::plane1_button_event,
        &QtCLippingWidget::plane2_button_event,
        &QtCLippingWidget::plane3_button_event,
        &QtCLippingWidget::plane4_button_event,
        &QtCLippingWidget::plane5_button_event,
        &QtCLippingWidget::plane6_button_event,
    };
    for (int i = 0; i < 6; ++i) {
        connect(planeButtons[std::size_t(i)], &QPushButton::clicked, this, planeEvents[i]);
    }
}

QStringList QtCLippingWidget::renderModeNames()
{
    return { QStringLiteral("Off"), QStringLiteral("Wireframe"), QStringLiteral("Solid Textures"),
        QStringLiteral("Alpha Masked Textures") };
}

void QtCLippingWidget::showPlanes(int count, const std::array<bool, 6>& selected, bool showAll)
{
    const QSignalBlocker quiet(this);
    count = std::clamp(count, 0, 6);
    for (int k = 0; k < 6; ++k) {
        const auto i = std::size_t(k);
        QPushButton* button = planeButtons[i];
        const QSignalBlocker quietButton(button);
        button->setChecked(selected[i] && k < count);
        button->setEnabled(k < count);
        planeGroups[i]->setEnabled(k < count);
        // Only a change of visibility touches it: showing what already shows
        // would lay out a page not yet on screen at zero size.
        if (planeGroups[i]->isHidden() == (k < count))
            planeGroups[i]->setVisible(k < count);
    }
    const QSignalBlocker quietShowAll(showAllPushButton);
    showAllPushButton->setChecked(showAll);
}

void QtCLippingWidget::planeButtonClicked(int index)
{
    // The view toggles a plane with each select signal, and the receivers may
    // show the new selection on these buttons before this returns: read the
    // buttons first. The clicked one has already flipped.
    std::array<bool, 6> wasChecked {};
    for (int k = 0; k < 6; ++k) {
        wasChecked[std::size_t(k)] = planeButtons[std::size_t(k)]->isChecked();
    }
    wasChecked[std::size_t(index)] = !wasChecked[std::size_t(index)];
    if (wasChecked[std::size_t(index)]) {
        // A selected plane is only deselected.
        emit cutplane_select_signal(index);
        return;
    }
    // Deselect every other plane first, so the cube never holds two.
    for (int k = 0; k < 6; ++k) {
        if (k != index && wasChecked[std::size_t(k)]) {
            emit cutplane_select_signal(k);
        }
    }
    for (int k = 0; k < 6; ++k) {
        if (k != index) {
            planeButtons[std::size_t(k)]->setChecked(false);
        }
    }
    emit cutplane_select_signal(index);
}

void QtCLippingWidget::plane1_button_event()
{
    planeButtonClicked(0);
}
void QtCLippingWidget::plane2_button_event()
{
    planeButtonClicked(1);
}
void QtCLippingWidget::plane3_button_event()
{
    planeButtonClicked(2);
}
void QtCLippingWidget::plane4_button_event()
{
    planeButtonClicked(3);
}
void QtCLippingWidget::plane5_button_event()
{
    planeButtonClicked(4);
}
void QtCLippingWidget::plane6_button_event()
{
    planeButtonClicked(5);
}

void QtCLippingWidget::resetall_button_event()
{
    for (QPushButton* button : planeButtons) {
        button->setChecked(false);
    }
    emit cutplane_resetall_signal();
}

void QtCLippingWidget::resetcurr_button_event()
{
    for (QPushButton* button : planeButtons) {
        if (button->isChecked()) {
            emit cutplane_resetcurrent_signal();
            return;
        }
    }
}

void QtCLippingWidget::showall_button_event()
{
    // Runs on click, after the button flipped: what the window shows back
    // during the signal is then the state the button already has.
    emit cutplane_showall_signal(showAllPushButton->isChecked() ? 1 : 0);
}

void QtCLippingWidget::cutplane_load_event()
{
    const QString fn
        = dialogs.openFileName(this, QString(), QStringLiteral("data"), QStringLiteral("*.slc"));
    if (!fn.isEmpty()) {
        emit cutplane_load_signal(fn);
    }
}

void QtCLippingWidget::cutplane_save_event()
{
    QString fn
        = dialogs.saveFileName(this, QString(), QStringLiteral("data"), QStringLiteral("*.slc"));
    if (fn.isEmpty()) {
        return;
    }
    if (fn.size() < 4 || fn.at(fn.size() - 4) != QLatin1Char('.')) {
        fn += QStringLiteral(".slc");
    }
    emit cutplane_save_signal(fn);
}

// No control of the page reaches the slots below; they are kept for the
// signals they stand for.

void QtCLippingWidget::invert_button_event() { }
void QtCLippingWidget::red_button_event()
{
    emit redclip_signal();
}
void QtCLippingWidget::green_button_event()
{
    emit greenclip_signal();
}
void QtCLippingWidget::blue_button_event()
{
    emit blueclip_signal();
}
void QtCLippingWidget::iso_button_event()
{
    emit isoclip_signal();
}

void QtCLippingWidget::plane1combo_event(int mode)
{
    emit plane1rendermode_signal(mode);
}
void QtCLippingWidget::plane2combo_event(int mode)
{
    emit plane2rendermode_signal(mode);
}
void QtCLippingWidget::plane3combo_event(int mode)
{
    emit plane3rendermode_signal(mode);
}
void QtCLippingWidget::plane4combo_event(int mode)
{
    emit plane4rendermode_signal(mode);
}
void QtCLippingWidget::plane5combo_event(int mode)
{
    emit plane5rendermode_signal(mode);
}
void QtCLippingWidget::plane6combo_event(int mode)
{
    emit plane6rendermode_signal(mode);
}

void QtCLippingWidget::printCheckBox(int value)
{
    std::printf("%d\n", value);
}

void QtCLippingWidget::plane1checkbox_event(int value)
{
    printCheckBox(value);
}
void QtCLippingWidget::plane2checkbox_event(int value)
{
    printCheckBox(value);
}
void QtCLippingWidget::plane3checkbox_event(int value)
{
    printCheckBox(value);
}
void QtCLippingWidget::plane4checkbox_event(int value)
{
    printCheckBox(value);
}
void QtCLippingWidget::plane5checkbox_event(int value)
{
    printCheckBox(value);
}
void QtCLippingWidget::plane6checkbox_event(int value)
{
    printCheckBox(value);
}
