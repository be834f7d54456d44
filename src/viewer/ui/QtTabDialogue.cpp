#include "viewer/ui/QtTabDialogue.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

QtTabDialogue::QtTabDialogue(QWidget* parent)
    : QDialog(parent)
{
    setModal(false);
    tabWidget = new QTabWidget(this);
    leftButtons = new QHBoxLayout;
    rightButtons = new QHBoxLayout;
    auto* buttons = new QHBoxLayout;
    buttons->addLayout(leftButtons);
    buttons->addStretch(1);
    buttons->addLayout(rightButtons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabWidget);
    layout->addLayout(buttons);
}

QPushButton* QtTabDialogue::addButton(const QString& text, bool atLeft)
{
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    button->setDefault(false);
    (atLeft ? leftButtons : rightButtons)->addWidget(button);
    return button;
}
