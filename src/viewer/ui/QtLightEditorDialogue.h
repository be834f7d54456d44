#pragma once

#include <QDialog>

class QTabWidget;
class QtLightSettingsWidget;

// The non-modal lighting dialogue: one "Lighting" page and a "Close" button.
// Created hidden once with the main window; closing only hides it, so the
// page's values last as long as the program.
class QtLightEditorDialogue : public QDialog {
    Q_OBJECT
public:
    explicit QtLightEditorDialogue(QWidget* parent = nullptr);

    QtLightSettingsWidget* settingsPage() const { return page; }
    QTabWidget* tabs() const { return tabWidget; }

signals:
    void reset_signal();

public slots:
    // The dialogue has nothing to apply or reset; both exist for symmetry with
    // the tool dialogue and are connected to nothing.
    void reset_event();
    void apply_event();

private:
    QTabWidget* tabWidget = nullptr;
    QtLightSettingsWidget* page = nullptr;
};
