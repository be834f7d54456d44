#include "viewer/ui/QtLightEditorDialogue.h"

#include "pagekit/IconFile.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QIcon>
#include <QPushButton>
#include <QTabWidget>

QtLightEditorDialogue::QtLightEditorDialogue(QWidget* parent)
    : QtTabDialogue(parent)
{
    setObjectName(QStringLiteral("lighteditor"));
    setWindowTitle(QStringLiteral("Lighting Editor"));
    setWindowIcon(iconFile(QStringLiteral("icons/lights.png")));

    page = new QtLightSettingsWidget(tabs());
    page->setObjectName(QStringLiteral("lightettings_tab"));
    tabs()->addTab(page, QStringLiteral("Lighting"));

    connect(addButton(QStringLiteral("Close")), &QPushButton::clicked, this, &QDialog::reject);
}

void QtLightEditorDialogue::reset_event() { }

void QtLightEditorDialogue::apply_event() { }
