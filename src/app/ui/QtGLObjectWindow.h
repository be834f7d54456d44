#pragma once

#include <QCursor>
#include <QWidget>

class QFrame;
class QtGLWidget;

// The central widget: the GL view in a sunken frame with a margin around it.
class QtGLObjectWindow : public QWidget
{
    Q_OBJECT
public:
    explicit QtGLObjectWindow(QWidget* parent = nullptr);

    QCursor viewCursor;
    QtGLWidget* glWidget = nullptr;

private:
    QFrame* frame = nullptr;
};
