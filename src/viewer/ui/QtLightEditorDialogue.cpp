#include "viewer/ui/QtLightEditorDialogue.h"

#include "viewer/ui/QtLightSettingsWidget.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

QtLightEditorDialogue::QtLightEditorDialogue(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("lighteditor"));
    setModal(false);
    setWindowTitle(QStringLiteral("Lighting Editor"));
    setWindowIcon(QIcon(QStringLiteral("icons/lights.png")));

    tabWidget = new QTabWidget(this);
    page = new QtLightSettingsWidget(tabWidget);
    page->setObjectName(QStringLiteral("lightettings_tab"));
    tabWidget->addTab(page, QStringLiteral("Lighting"));

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabWidget);
    layout->addLayout(buttons);
}

void QtLightEditorDialogue::reset_event() { }

void QtLightEditorDialogue::apply_event() { }
