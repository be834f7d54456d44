#include "app/ui/QtMeshEditorDialogue.h"

#include "clipping/ui/QtCLippingWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "segmentation/ui/QtMeshClassifierWidget.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "terrain/ui/QtMeshTerrainWidget.h"

#include <QPushButton>
#include <QTabWidget>

#include <utility>

QtMeshEditorDialogue::QtMeshEditorDialogue(QWidget* parent)
    : QtTabDialogue(parent)
{
    setObjectName(QStringLiteral("mesheditor"));
    setWindowTitle(QStringLiteral("Mesh Tools"));

    createPages();
    addTabs();
    // Wide enough to show every tab title: no scroll arrows, no elided titles.
    tabs()->setUsesScrollButtons(false);
    tabs()->setElideMode(Qt::ElideNone);

    reloadPushButton = addButton(QStringLiteral("Reload"), true);
    applyPushButton = addButton(QStringLiteral("Apply"));
    closePushButton = addButton(QStringLiteral("Close"));
    connect(applyPushButton, &QPushButton::clicked, this, &QtMeshEditorDialogue::apply_event);
    connect(reloadPushButton, &QPushButton::clicked, this, &QtMeshEditorDialogue::reset_event);
    connect(closePushButton, &QPushButton::clicked, this, &QDialog::reject);
}

void QtMeshEditorDialogue::createPages()
{
    // Each page is created and set up in turn, in this order: clipping
    // "clippingtab", morphogens "morphotab", simplify "simplifytab",
    // classification "classifytab", subdivide "subdividetab", terrain
    // "terraintab", edge traversal "traversetab", mean shift "meanshftab".
    clippingPage = new QtCLippingWidget(this, QStringLiteral("clippingtab"));
    morphogenPage = new QtMorphogenWidget(this, QStringLiteral("morphotab"));
    simplifyPage = new QtMeshSimplifierWidget(this, QStringLiteral("simplifytab"));
    classifyPage = new QtMeshClassifierWidget(this, QStringLiteral("classifytab"));
    subdividePage = new QtMeshSubdivideWidget(this, QStringLiteral("subdividetab"));
    terrainPage = new QtMeshTerrainWidget(this, QStringLiteral("terraintab"));
    traversalPage = new QtMeshTraversalWidget(this, QStringLiteral("traversetab"));
    meanShiftPage = new QtMeanShiftWidget(this, QStringLiteral("meanshftab"));
}

void QtMeshEditorDialogue::addTabs()
{
    // The order the user sees: "Clipping Planes", "Morphogens", "Simplify",
    // "Subdivide", "Classification", "Edge Traversal", "Mean Shift", "Terrain".
    // Clipping Planes and Morphogens act through their own buttons and get no
    // apply action.
    addPage(clippingPage, QStringLiteral("Clipping Planes"));
    addPage(morphogenPage, QStringLiteral("Morphogens"));
    addPage(simplifyPage, QStringLiteral("Simplify"), [this] { simplifyPage->apply(); });
    addPage(subdividePage, QStringLiteral("Subdivide"), [this] { subdividePage->apply(); });
    addPage(classifyPage, QStringLiteral("Classification"), [this] { classifyPage->apply(); });
    addPage(traversalPage, QStringLiteral("Edge Traversal"), [this] { traversalPage->apply(); });
    addPage(meanShiftPage, QStringLiteral("Mean Shift"), [this] { meanShiftPage->apply(); });
    addPage(terrainPage, QStringLiteral("Terrain"), [this] { terrainPage->buildTerrain(); });
}

void QtMeshEditorDialogue::addPage(
    QWidget* page, const QString& title, std::function<void()> onApply)
{
    tabs()->addTab(page, title);
    if (onApply) {
        applyActions.push_back({ page, std::move(onApply) });
    }
}

void QtMeshEditorDialogue::reset_event()
{
    emit reset_signal();
}

void QtMeshEditorDialogue::apply_event()
{
    QWidget* current = tabs()->currentWidget();
    if (!current) {
        return;
    }
    for (const ApplyAction& action : applyActions) {
        if (action.page == current) {
            action.run();
            update();
            return;
        }
    }
}
