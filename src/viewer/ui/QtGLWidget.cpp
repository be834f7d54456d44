#include "viewer/ui/QtGLWidget.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteObj.h"
#include "viewer/ui/MeshDrawer.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QUrl>

#include <GL/glu.h>

#include <cmath>
#include <cstdio>

QtGLWidget::QtGLWidget(QWidget* parent, const char* name) : QOpenGLWidget(parent)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    startTimer(10);
    setMouseTracking(true);
    setAcceptDrops(true);
    viewWidth = 0;
    viewHeight = 0;
    mouseMode = -1;
    clipMode = 0;
    viewDistance = -200.0f;
    backgroundColour = QColor(255, 255, 255, 255);
}

QtGLWidget::~QtGLWidget() = default;

bool QtGLWidget::loadMesh(const QString&)
{
    return false;
}

bool QtGLWidget::saveMesh(const QString&)
{
    return false;
}

QImage QtGLWidget::grabRendering()
{
    return {};
}

void QtGLWidget::setRenderMode(int mode)
{
    renderMode = mode;
}

void QtGLWidget::setProjectionMode(int mode)
{
    projectionMode = mode;
}

int QtGLWidget::toggleProjectionMode()
{
    setProjectionMode(projectionMode == 0 ? 1 : 0);
    return projectionMode;
}

void QtGLWidget::setBackgroundColour(const QColor& colour)
{
    backgroundColour = colour;
}

void QtGLWidget::setStatusSink(std::function<void(const QString&)> sink)
{
    statusSink = std::move(sink);
}

QString QtGLWidget::meshCountsText(const Mesh& m)
{
    return QStringLiteral(" Verts: %1 Faces: %2").arg(m.numVertices).arg(m.numFaces);
}

void QtGLWidget::meshChanged()
{
    ++meshRevision;
}

void QtGLWidget::coloursChanged()
{
    ++meshRevision;
}

void QtGLWidget::pickFace(int, int) { }

float QtGLWidget::fitScale() const
{
    return 1.0f;
}

void QtGLWidget::setMeshDrawer(std::unique_ptr<MeshDrawer> d)
{
    drawer = std::move(d);
}

void QtGLWidget::reload_slot() { }

void QtGLWidget::smooth_slot(float, float) { }

void QtGLWidget::light_colour_slot(Vector, Vector, Vector) { }

void QtGLWidget::light_position_slot(float, float) { }

void QtGLWidget::timerEvent(QTimerEvent*) { }
void QtGLWidget::mousePressEvent(QMouseEvent*) { }
void QtGLWidget::mouseReleaseEvent(QMouseEvent*) { }
void QtGLWidget::mouseMoveEvent(QMouseEvent*) { }
void QtGLWidget::dragEnterEvent(QDragEnterEvent*) { }
void QtGLWidget::dropEvent(QDropEvent*) { }
void QtGLWidget::initializeGL() { }
void QtGLWidget::resizeGL(int, int) { }
void QtGLWidget::paintGL() { }

std::vector<float> QtGLWidget::repaintKey() const
{
    return {};
}
void QtGLWidget::applyProjection() { }
void QtGLWidget::applyViewTransform() { }
void QtGLWidget::drawRenderMode() { }
void QtGLWidget::releaseGL() { }
void QtGLWidget::showStatus(const QString& text)
{
    if (statusSink)
        statusSink(text);
}
void QtGLWidget::afterMeshReplaced() { }
