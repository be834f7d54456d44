#pragma once

#include "viewer/ui/QtTabDialogue.h"

class QtLightSettingsWidget;

// The non-modal lighting dialogue: one "Lighting" page and a "Close" button.
// Created hidden once with the main window; closing only hides it, so the
// page's values last as long as the program.
class QtLightEditorDialogue : public QtTabDialogue
{
    Q_OBJECT
public:
    explicit QtLightEditorDialogue(QWidget* parent = nullptr);

    QtLightSettingsWidget* settingsPage() const { return page; }

signals:
    void reset_signal();

public slots:
    // The dialogue has nothing to apply or reset; both exist for symmetry with
    // the tool dialogue and are connected to nothing.
    void reset_event();
    void apply_event();

private:
    QtLightSettingsWidget* page = nullptr;
};
