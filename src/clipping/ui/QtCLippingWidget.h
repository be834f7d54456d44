#pragma once

#include "pagekit/UserDialogs.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>

class QGroupBox;
class QPushButton;

// The Clipping Planes page. It keeps no state beyond its buttons: every action
// goes out as a signal to the view, and showPlanes() shows the cube's planes.
// A click on a plane's button selects that plane alone, or only deselects it
// when it was selected; a checked button is a selected plane.
class QtCLippingWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtCLippingWidget(
        QWidget* parent = nullptr, const QString& name = QStringLiteral("clippingtab"));

    // The file questions of Load and Save (replaceable for tests).
    UserDialogs dialogs;

    QPushButton* loadButton() const { return loadPushButton; }
    QPushButton* saveButton() const { return savePushButton; }
    QPushButton* resetCurrentButton() const { return resetCurrentPushButton; }
    QPushButton* resetAllButton() const { return resetAllPushButton; }
    QPushButton* showAllButton() const { return showAllPushButton; }
    // The "Enable/Disable" button of plane index 0..5.
    QPushButton* planeButton(int index) const { return planeButtons[std::size_t(index)]; }

    // Shows the cube's planes: plane k's button is checked when selected[k];
    // planes from count on (a settings file may hold fewer than six) have
    // their buttons and boxes disabled and hidden. Show All shows showAll.
    // Sends nothing.
    void showPlanes(int count, const std::array<bool, 6>& selected, bool showAll);

    // Render-mode names prepared for the planes; no control shows them.
    static QStringList renderModeNames();

signals:
    void cutplane_select_signal(int selected);
    void cutplane_invert_signal(int selected);
    void cutplane_load_signal(QString fn);
    void cutplane_save_signal(QString fn);
    void cutplane_showall_signal(int selected);
    void cutplane_resetall_signal();
    void cutplane_resetcurrent_signal();
    void redclip_signal();
    void greenclip_signal();
    void blueclip_signal();
    void isoclip_signal();
    void plane1rendermode_signal(int mode);
    void plane2rendermode_signal(int mode);
    void plane3rendermode_signal(int mode);
    void plane4rendermode_signal(int mode);
    void plane5rendermode_signal(int mode);
    void plane6rendermode_signal(int mode);

public slots:
    void invert_button_event();
    void showall_button_event();
    void resetall_button_event();
    void resetcurr_button_event();
    void plane1_button_event();
    void plane2_button_event();
    void plane3_button_event();
    void plane4_button_event();
    void plane5_button_event();
    void plane6_button_event();
    void cutplane_load_event();
    void cutplane_save_event();
    void red_button_event();
    void green_button_event();
    void blue_button_event();
    void iso_button_event();
    void plane1combo_event(int mode);
    void plane2combo_event(int mode);
    void plane3combo_event(int mode);
    void plane4combo_event(int mode);
    void plane5combo_event(int mode);
    void plane6combo_event(int mode);
    void plane1checkbox_event(int value);
    void plane2checkbox_event(int value);
    void plane3checkbox_event(int value);
    void plane4checkbox_event(int value);
    void plane5checkbox_event(int value);
    void plane6checkbox_event(int value);

private:
    // A plane button was clicked (its check state already flipped).
    void planeButtonClicked(int index);
    void printCheckBox(int value);

    QPushButton* loadPushButton = nullptr;
    QPushButton* savePushButton = nullptr;
    QPushButton* resetCurrentPushButton = nullptr;
    QPushButton* resetAllPushButton = nullptr;
    QPushButton* showAllPushButton = nullptr;
    std::array<QPushButton*, 6> planeButtons {};
    // The "PLANE_k" box around each plane button.
    std::array<QGroupBox*, 6> planeGroups {};
};
