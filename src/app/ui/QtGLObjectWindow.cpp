#include "app/ui/QtGLObjectWindow.h"

#include "viewer/ui/QtGLWidget.h"

#include <QBoxLayout>
#include <QFrame>
#include <QHBoxLayout>

QtGLObjectWindow::QtGLObjectWindow(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("editor"));

    frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("frame1"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);

    glWidget = new QtGLWidget(frame);
    glWidget->setObjectName(QStringLiteral("glbox1"));

    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->setObjectName(QStringLiteral("flayout1"));
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(glWidget, 1);

    auto* layout = new QBoxLayout(QBoxLayout::LeftToRight, this);
    layout->setObjectName(QStringLiteral("blayout"));
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(frame, 10);
}
