// The view in motion: the mouse and the wheel, the lighter frames drawn while
// the view moves, and the frame rate shown in a corner.
#include "viewer/ui/QtGLWidget.h"

#include "viewer/ui/ViewLod.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

namespace {

// Each wheel notch (120 eighths of a degree) zooms by a tenth.
constexpr double kWheelNotchFactor = 1.1;
// A right-drag pixel changes the distance by 0.1 at the start distance of 200,
// and by the same share of any other distance, which it never reaches 0 from.
constexpr double kDragZoomPerPixel = 0.1 / 200.0;
// The wheel has no release: the motion ends this long after its last notch.
constexpr int kWheelRestMs = 150;

} // namespace

void QtGLWidget::setUpMotion()
{
    lod = new ViewLod(this);
    connect(lod, &ViewLod::levelsReady, this, [this] {
        if (moving || toolRunning())
            update();
    });
    wheelRest = new QTimer(this);
    wheelRest->setSingleShot(true);
    wheelRest->setInterval(kWheelRestMs);
    connect(wheelRest, &QTimer::timeout, this, [this] { setMoving(false); });
    frameRateLabel = new QLabel(this);
    frameRateLabel->setObjectName(QStringLiteral("framerate"));
    frameRateLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    frameRateLabel->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(255, 255, 255, 200); padding: 2px; }"));
    frameRateLabel->move(4, 4);
    frameRateLabel->hide();
}

void QtGLWidget::setMoving(bool on)
{
    if (moving == on)
        return;
    moving = on;
    // The still frame: the full mesh once, as soon as the motion stops.
    if (!moving)
        update();
}

void QtGLWidget::setFrameRateShown(bool on)
{
    frameRateVisible = on;
    frameRateLabel->setVisible(on);
    showFrameRate();
}

void QtGLWidget::showFrameRate()
{
    if (!frameRateVisible)
        return;
    frameRateLabel->setText(
        QStringLiteral("%1 ms, %2 faces").arg(lastFrameMs, 0, 'f', 1).arg(drawnFaces));
    frameRateLabel->adjustSize();
}

void QtGLWidget::setFrameBudget(double ms)
{
    lod->budgetMs = ms;
}

bool QtGLWidget::levelsReady() const
{
    return lod->ready();
}

const ViewLod& QtGLWidget::levelsOfDetail() const
{
    return *lod;
}

double QtGLWidget::turnFrames(int frames)
{
    QElapsedTimer wait;
    wait.start();
    while (!lod->ready() && wait.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    makeCurrent();
    setMoving(true);
    const Vector centre(float(logicalWidth) / 2.0f, float(logicalHeight) / 2.0f, 0.0f, 1.0f);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < frames; ++i) {
        // A drag of 4 pixels to the right and 1 down a frame.
        arcBall.click(centre);
        arcBall.drag(Vector(centre.x + 4.0f, centre.y + 1.0f, 0.0f, 1.0f));
        arcBall.release();
        paintGL();
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    setMoving(false);
    return seconds;
}

void QtGLWidget::mousePressEvent(QMouseEvent* event)
{
    const Vector position(float(event->position().x()), float(event->position().y()), 0.0f, 1.0f);
    if (event->button() == Qt::LeftButton) {
        if (clipMode == 1) {
            mouseMode = 1;
            workbench.pressPlanes(position, 1);
        } else {
            mouseMode = 0;
            arcBall.click(position);
        }
    } else if (event->button() == Qt::MiddleButton) {
        if (clipMode == 1) {
            mouseMode = 1;
            workbench.pressPlanes(position, 2);
        } else if (!refuseWhileRunning()) {
            // Picking marks faces, which a running tool may be reading.
            mouseMode = 0;
            pickFace(int(position.x), int(position.y));
            std::printf("\nSelected: %d \n", mesh.selected);
            std::fflush(stdout);
        }
    } else if (event->button() == Qt::RightButton) {
        if (clipMode == 1) {
            mouseMode = 1;
            workbench.pressPlanes(position, 3);
        } else {
            mouseMode = 2;
            zoomStep = lastMouse.y - position.y;
            viewDistance *= float(std::exp(-zoomStep * kDragZoomPerPixel));
        }
    }
    lastMouse = position;
}

void QtGLWidget::mouseMoveEvent(QMouseEvent* event)
{
    const Vector position(float(event->position().x()), float(event->position().y()), 0.0f, 1.0f);
    switch (mouseMode) {
    case 0:
        arcBall.drag(position);
        setMoving(true);
        break;
    case 1:
        workbench.dragPlanes(position);
        setMoving(true);
        break;
    case 2:
        zoomStep = lastMouse.y - position.y;
        viewDistance *= float(std::exp(-zoomStep * kDragZoomPerPixel));
        setMoving(true);
        break;
    default:
        break;
    }
    lastMouse = position;
}

void QtGLWidget::mouseReleaseEvent(QMouseEvent* event)
{
    (void)event;
    mouseMode = -1;
    arcBall.release();
    workbench.releasePlanes();
    setMoving(false);
}

void QtGLWidget::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0.0) {
        zoomBy(std::pow(kWheelNotchFactor, notches));
        setMoving(true);
        wheelRest->start();
    }
    event->accept();
}

void QtGLWidget::zoomBy(double factor)
{
    // Orthographic: -viewDistance is the scale; perspective: the eye distance.
    viewDistance = float(projectionMode == 1 ? viewDistance * factor : viewDistance / factor);
}
