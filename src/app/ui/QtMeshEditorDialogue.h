#pragma once

#include "viewer/ui/QtTabDialogue.h"

#include <functional>
#include <vector>

class QPushButton;

class QtCLippingWidget;
class QtMeshSimplifierWidget;
class QtMeshClassifierWidget;
class QtMeshSubdivideWidget;
class QtMeshTerrainWidget;
class QtMeshTraversalWidget;
class QtMeanShiftWidget;
class QtMorphogenWidget;

// The non-modal tool dialogue: one tab per tool page, "Apply" runs the action
// of the page on show, "Reload" asks for the mesh as it was loaded, "Close"
// hides the dialogue.
//
// Adding a page touches two places in the .cpp: createPages() (creation, object
// name and set-up) and addTabs() (tab order and what "Apply" does on it). Its
// signals are routed by the main window.
class QtMeshEditorDialogue : public QtTabDialogue
{
    Q_OBJECT
public:
    explicit QtMeshEditorDialogue(QWidget* parent = nullptr);

    // Pages, children of the dialogue; a page not built into this program
    // stays null.
    QtCLippingWidget* clippingPage = nullptr;
    QtMeshSimplifierWidget* simplifyPage = nullptr;
    QtMeshClassifierWidget* classifyPage = nullptr;
    QtMeshSubdivideWidget* subdividePage = nullptr;
    QtMeshTerrainWidget* terrainPage = nullptr;
    QtMeshTraversalWidget* traversalPage = nullptr;
    QtMeanShiftWidget* meanShiftPage = nullptr;
    QtMorphogenWidget* morphogenPage = nullptr;

    // Appends page as a tab; onApply is what "Apply" does while it is the
    // current page (nothing when empty).
    void addPage(QWidget* page, const QString& title, std::function<void()> onApply = {});

    QPushButton* applyButton() const { return applyPushButton; }
    QPushButton* reloadButton() const { return reloadPushButton; }
    QPushButton* closeButton() const { return closePushButton; }

signals:
    void reset_signal();

public slots:
    void reset_event();
    void apply_event();

private:
    struct ApplyAction
    {
        QWidget* page;
        std::function<void()> run;
    };

    void createPages();
    void addTabs();

    std::vector<ApplyAction> applyActions;
    QPushButton* applyPushButton = nullptr;
    QPushButton* reloadPushButton = nullptr;
    QPushButton* closePushButton = nullptr;
};
