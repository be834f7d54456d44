#include "app/ui/QtMeshEditorDialogue.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

QtMeshEditorDialogue::QtMeshEditorDialogue(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("mesheditor"));
    setModal(false);
    setWindowTitle(QStringLiteral("Mesh Tools"));

    tabWidget = new QTabWidget(this);
    createPages();
    addTabs();

    applyPushButton = new QPushButton(QStringLiteral("Apply"), this);
    reloadPushButton = new QPushButton(QStringLiteral("Reload"), this);
    closePushButton = new QPushButton(QStringLiteral("Close"), this);
    // Tools can run for minutes: Return in a page's field must not start one.
    for (QPushButton* button : { applyPushButton, reloadPushButton, closePushButton }) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(applyPushButton, &QPushButton::clicked, this, &QtMeshEditorDialogue::apply_event);
    connect(reloadPushButton, &QPushButton::clicked, this, &QtMeshEditorDialogue::reset_event);
    connect(closePushButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reloadPushButton);
    buttons->addStretch(1);
    buttons->addWidget(applyPushButton);
    buttons->addWidget(closePushButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabWidget);
    layout->addLayout(buttons);
}

void QtMeshEditorDialogue::createPages()
{
    // Each page is created and set up in turn, in this order: clipping
    // "clippingtab", morphogens "morphotab", simplify "simplifytab",
    // classification "classifytab", subdivide "subdividetab", terrain
    // "terraintab", edge traversal "traversetab", mean shift "meanshftab".
}

void QtMeshEditorDialogue::addTabs()
{
    // The order the user sees: "Clipping Planes", "Morphogens", "Simplify",
    // "Subdivide", "Classification", "Edge Traversal", "Mean Shift", "Terrain".
    // Clipping Planes and Morphogens act through their own buttons and get no
    // apply action.
}

void QtMeshEditorDialogue::addPage(QWidget* page, const QString& title,
                                   std::function<void()> onApply)
{
    tabWidget->addTab(page, title);
    if (onApply)
        applyActions.push_back({ page, std::move(onApply) });
}

void QtMeshEditorDialogue::reset_event()
{
    emit reset_signal();
}

void QtMeshEditorDialogue::apply_event()
{
    QWidget* current = tabWidget->currentWidget();
    if (!current)
        return;
    for (const ApplyAction& action : applyActions) {
        if (action.page == current) {
            action.run();
            update();
            return;
        }
    }
}
