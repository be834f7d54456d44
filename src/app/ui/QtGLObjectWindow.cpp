#include "app/ui/QtGLObjectWindow.h"

#include "viewer/ui/QtGLWidget.h"

#include <QBoxLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QOpenGLContext>

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

QtGLObjectWindow::~QtGLObjectWindow()
{
    // Adapter for the view's teardown: its GL context is destroyed inside the
    // QOpenGLWidget base destructor, when the view is no longer a QtGLWidget, so
    // a release slot still connected to the context's aboutToBeDestroyed would
    // run on a half-destroyed object. The view releases its GL resources in its
    // own destructor; cut the late call before the view goes.
    if (QOpenGLContext* context = glWidget->context()) {
        QObject::disconnect(context, &QOpenGLContext::aboutToBeDestroyed, glWidget, nullptr);
    }
}
