#include "viewer/ui/QtGLWidget.h"

#include "clipping/ui/ClipPlaneView.h"
#include "filtering/ui/MeanShiftView.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/MemoryInfo.h"
#include "mesh/engine/WriteMeshFile.h"
#include "morphogens/ui/MorphogenQtColours.h"
#include "segmentation/ui/ClassifierView.h"
#include "segmentation/ui/TraversalView.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/HeightMapImage.h"
#include "terrain/ui/TerrainView.h"
#include "viewer/ui/BufferedMeshDrawer.h"
#include "viewer/ui/RenderModes.h"
#include "viewer/ui/ViewLod.h"
#include "workbench/engine/Steps.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QOpenGLContext>
#include <QTimerEvent>
#include <QUrl>

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

// At the start zoom the longest side of the box spans two thirds of the
// window's shorter side. The orthographic box is in pixels under a scale of 200;
// the perspective eye stands 200 away with a 45-degree field of view.
constexpr double kStartScale = 200.0;
constexpr double kFitFraction = 2.0 / 3.0;
const double kPerspectiveHeight = 2.0 * kStartScale * std::tan(22.5 * std::numbers::pi / 180.0);

// Lines and points drawn black on a light background are drawn white on a dark
// one (relative luminance under one half), where black would not show.
float lineInk(const QColor& background)
{
    const double luminance
        = 0.2126 * background.redF() + 0.7152 * background.greenF() + 0.0722 * background.blueF();
    return luminance < 0.5 ? 1.0f : 0.0f;
}

float longestSide(const Mesh& mesh)
{
    const Box box = boundingBox(mesh);
    return std::max({ box.max.x - box.min.x, box.max.y - box.min.y, box.max.z - box.min.z });
}

} // namespace

QtGLWidget::QtGLWidget(QWidget* parent, const char* name)
    : QOpenGLWidget(parent)
    , workbench(Workbench::Options { true, true, availableMemoryBytes() / 4 })
    , drawer(std::make_unique<BufferedMeshDrawer>())
{
    workbench.heightMapReader = readHeightMapFile;
    workbench.statusSink
        = [this](const std::string& line) { showStatus(QString::fromStdString(" " + line)); };
    workbench.addListener([this](unsigned changes) { workbenchChanged(changes); });
    if (name) {
        setObjectName(QString::fromLatin1(name));
    }
    startTimer(10);
    setMouseTracking(true);
    setAcceptDrops(true);
    viewWidth = 0;
    viewHeight = 0;
    mouseMode = -1;
    clipMode = 0;
    viewDistance = -200.0f;
    backgroundColour = QColor(255, 255, 255, 255);
    // What an empty view tells a new user; mouse and drops go through to the view.
    emptyHint = new QLabel(QStringLiteral("Open a mesh with File, Open or drop one here"), this);
    emptyHint->setObjectName(QStringLiteral("emptyhint"));
    emptyHint->setAlignment(Qt::AlignCenter);
    emptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyHint->setStyleSheet(QStringLiteral("color: grey;"));
    setUpMotion();
}

void QtGLWidget::resizeEvent(QResizeEvent* event)
{
    QOpenGLWidget::resizeEvent(event);
    emptyHint->setGeometry(rect());
}

QtGLWidget::~QtGLWidget()
{
    releaseGL();
    // The base class destroys the context after this object is gone.
    if (context()) {
        disconnect(context(), nullptr, this, nullptr);
    }
}

void QtGLWidget::releaseGL()
{
    if (!glReady || !context()) {
        return;
    }
    makeCurrent();
    drawer->releaseGL();
    lod->releaseGL();
    doneCurrent();
    glReady = false;
}

// ---- View state

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

void QtGLWidget::fitView()
{
    // The mesh as loaded is drawn about its centre; a tool may since have moved
    // the box, whose own centre is what a fitted view shows.
    fitExtent = longestSide(mesh);
    if (mesh.numVertices > 0) {
        const Box box = boundingBox(mesh);
        fitShift = Vector(mesh.centre.x - (box.min.x + box.max.x) * 0.5f,
            mesh.centre.y - (box.min.y + box.max.y) * 0.5f,
            mesh.centre.z - (box.min.z + box.max.z) * 0.5f, 0.0f);
    } else {
        fitShift = Vector(0.0f, 0.0f, 0.0f, 0.0f);
    }
    drawnCentre = mesh.centre;
    viewDistance = -200.0f;
    arcBall = ArcBall();
    arcBall.setBounds(float(logicalWidth), float(logicalHeight));
    update();
}

void QtGLWidget::setNoticeSink(std::function<void(const QString&)> sink)
{
    noticeSink = std::move(sink);
}

void QtGLWidget::tellUser(const QString& text)
{
    showStatus(QStringLiteral(" ") + text);
    if (noticeSink)
        noticeSink(text);
}

void QtGLWidget::setStatusSink(std::function<void(const QString&)> sink)
{
    statusSink = std::move(sink);
}

void QtGLWidget::setMeshStateSink(std::function<void()> sink)
{
    meshStateSink = std::move(sink);
}

void QtGLWidget::notifyMeshState()
{
    if (meshStateSink) {
        meshStateSink();
    }
}

QString QtGLWidget::meshCountsText(const Mesh& m)
{
    return QStringLiteral(" Verts: %1 Faces: %2").arg(m.numVertices).arg(m.numFaces);
}

void QtGLWidget::showMeshCounts()
{
    // The counts have a field of their own, kept current through the state
    // sink; a tool's progress line gives way to it.
    notifyMeshState();
    showStatus(QString());
}

void QtGLWidget::showStatus(const QString& text)
{
    if (statusSink) {
        statusSink(text);
    }
}

void QtGLWidget::meshChanged()
{
    ++meshRevision;
    drawer->meshChanged();
    lod->geometryChanged(mesh);
    faceBvh.reset();
    if (fitExtent <= 0.0f) {
        fitExtent = longestSide(mesh);
    }
    meshIdentity = currentMeshIdentity();
}

void QtGLWidget::coloursChanged()
{
    ++meshRevision;
    drawer->coloursChanged();
    lod->attributesChanged();
}

void QtGLWidget::showFaceColours(bool on)
{
    workbench.showFaceColours(on);
}

void QtGLWidget::workbenchChanged(unsigned changes)
{
    ++meshRevision;
    emptyHint->setHidden(mesh.numFaces > 0);
    // Colours, normals, highlights and what is shown the levels take from the
    // mesh before they are drawn next.
    if (changes & (ChangeColours | ChangeNormals | ChangeDisplay | ChangeToolState))
        lod->attributesChanged();
    if (changes & (ChangeGeometry | ChangeNewMesh)) {
        lod->geometryChanged(mesh);
        drawer->meshChanged();
        faceBvh.reset();
        meshIdentity = currentMeshIdentity();
        if (changes & ChangeNewMesh) {
            fitView();
        } else {
            // The view keeps the picture where it was: the size it fits follows
            // the new geometry, and a centre the change moved moves the shift.
            fitExtent = longestSide(mesh);
            fitShift = Vector(fitShift.x + mesh.centre.x - drawnCentre.x,
                fitShift.y + mesh.centre.y - drawnCentre.y,
                fitShift.z + mesh.centre.z - drawnCentre.z, 0.0f);
            drawnCentre = mesh.centre;
        }
    } else if (changes & ChangeNormals) {
        drawer->meshChanged();
    } else if (changes & ChangeColours) {
        drawer->coloursChanged();
    }
    if (changes & ChangeNewMesh) {
        // The new mesh's names, none for a file or terrain without them.
        emit buildtree_signal(mesh.morphogenNames);
    }
    if (changes & (ChangeClipping | ChangeNewMesh)) {
        clipMode = workbench.clipCube.anySelected() ? 1 : 0;
    }
    drawer->faceNormalShading = workbench.normalShading;
    if (workbench.normalShading && (changes & (ChangeNormals | ChangeDisplay | ChangeGeometry))) {
        drawer->faceNormalsChanged();
    }
    drawer->setFaceColours(workbench.faceColours);
    if (faceColoursDrawn != workbench.faceColours) {
        faceColoursDrawn = workbench.faceColours;
        emit facecolours_signal(faceColoursDrawn);
    }
    if (changes & ChangeHistory) {
        emit history_signal();
    }
    if (changes & (ChangeGeometry | ChangeNewMesh | ChangeFile)) {
        showMeshCounts();
    }
    update();
}

float QtGLWidget::fitScale() const
{
    const double extent = fitExtent > 0.0f && std::isfinite(fitExtent) ? fitExtent : 1.0;
    const double w = logicalWidth, h = logicalHeight;
    if (projectionMode == 1) {
        return float(kFitFraction * std::min(w, h) / (kStartScale * extent));
    }
    return float(kFitFraction * kPerspectiveHeight * std::min(1.0, w / h) / extent);
}

void QtGLWidget::setMeshDrawer(std::unique_ptr<MeshDrawer> d)
{
    if (glReady && context()) {
        makeCurrent();
        drawer->releaseGL();
    }
    drawer = std::move(d);
    drawer->setFaceColours(workbench.faceColours);
    drawer->faceNormalShading = workbench.normalShading;
    drawer->meshChanged();
    ++meshRevision;
}

void QtGLWidget::light_colour_slot(const Vector& amb, const Vector& diff, const Vector& spec)
{
    lightAmbient = amb;
    lightDiffuse = diff;
    lightSpecular = spec;
    ++lightRevision;
    if (!glReady) {
        return;
    }
    makeCurrent();
    const GLfloat a[4] = { amb.x, amb.y, amb.z, amb.w };
    const GLfloat d[4] = { diff.x, diff.y, diff.z, diff.w };
    const GLfloat s[4] = { spec.x, spec.y, spec.z, spec.w };
    glLightfv(GL_LIGHT0, GL_AMBIENT, a);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, d);
    glLightfv(GL_LIGHT0, GL_SPECULAR, s);
}

void QtGLWidget::light_position_slot(float alti, float azim)
{
    const float a = alti * float(std::numbers::pi) / 180.0f;
    const float b = azim * float(std::numbers::pi) / 180.0f;
    lightPosition = Vector(std::cos(b) * std::sin(a), std::sin(b) * std::sin(a), std::cos(a), 0.0f);
    ++lightRevision;
    if (!glReady) {
        return;
    }
    // GL keeps the position in eye coordinates, transformed by the modelview of
    // the moment: identity at start-up, the view and rotation of the last frame
    // afterwards.
    if (QOpenGLContext::currentContext() != context()) {
        makeCurrent();
    }
    const GLfloat p[4] = { lightPosition.x, lightPosition.y, lightPosition.z, lightPosition.w };
    glLightfv(GL_LIGHT0, GL_POSITION, p);
}

std::array<std::uintptr_t, 4> QtGLWidget::currentMeshIdentity() const
{
    return { reinterpret_cast<std::uintptr_t>(mesh.vertices.data()),
        reinterpret_cast<std::uintptr_t>(mesh.faces.data()), std::uintptr_t(mesh.numVertices),
        std::uintptr_t(mesh.numFaces) };
}

void QtGLWidget::syncMeshIdentity()
{
    if (meshIdentity == currentMeshIdentity()) {
        return;
    }
    // The mesh got new arrays outside the workbench's steps: the buffers and
    // the picking structure must follow, and the view fits the new size.
    meshIdentity = currentMeshIdentity();
    drawer->meshChanged();
    lod->geometryChanged(mesh);
    faceBvh.reset();
    fitExtent = longestSide(mesh);
}

// ---- Events

void QtGLWidget::timerEvent(QTimerEvent* event)
{
    (void)event;
    if (repaintKey() != paintedKey) {
        update();
    }
}

std::array<double, QtGLWidget::kRepaintKeySize> QtGLWidget::repaintKey() const
{
    std::array<double, kRepaintKeySize> key {};
    std::size_t k = 0;
    key[k++] = double(meshRevision);
    key[k++] = double(lightRevision);
    key[k++] = renderMode;
    key[k++] = projectionMode;
    key[k++] = viewDistance;
    key[k++] = fitExtent;
    key[k++] = mesh.selected;
    key[k++] = mesh.numVertices;
    key[k++] = mesh.numFaces;
    key[k++] = double(reinterpret_cast<std::uintptr_t>(mesh.vertices.data()));
    key[k++] = double(reinterpret_cast<std::uintptr_t>(mesh.faces.data()));
    key[k++] = double(backgroundColour.rgba());
    key[k++] = double(workbench.clipRevision());
    key[k++] = fitShift.x;
    key[k++] = fitShift.y;
    key[k++] = fitShift.z;
    for (float t : arcBall.transform) {
        key[k++] = t;
    }
    return key;
}

void QtGLWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasText() || event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void QtGLWidget::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    emit dragndrop_signal(urls.first().toLocalFile());
}

// ---- GL

void QtGLWidget::initializeGL()
{
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &QtGLWidget::releaseGL,
        Qt::DirectConnection);
    glReady = true;
    arcBall.setBounds(500.0f, 500.0f);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);

    glShadeModel(GL_SMOOTH);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    // Faces seen from behind are lit with their normal turned to the eye, so a
    // mesh wound inward is shaded rather than black.
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

    light_colour_slot(lightAmbient, lightDiffuse, lightSpecular);
    lightPosition = Vector(0.0f, 0.0f, 1.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    light_position_slot(0.0f, 180.0f);

    glLineWidth(2.0f);
    glPointSize(3.0f);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_POINT_SMOOTH);
    glPolygonOffset(1.0f, 0.0001f);

    const qreal ratio = devicePixelRatioF();
    viewWidth = int(std::lround(width() * ratio));
    viewHeight = int(std::lround(height() * ratio));
    logicalWidth = std::max(width(), 1);
    logicalHeight = std::max(height(), 1);
    renderMode = 4;
    projectionMode = 1;
}

void QtGLWidget::resizeGL(int w, int h)
{
    w = std::max(w, 1);
    h = std::max(h, 1);
    const qreal ratio = devicePixelRatioF();
    logicalWidth = w;
    logicalHeight = h;
    viewWidth = std::max(int(std::lround(w * ratio)), 1);
    viewHeight = std::max(int(std::lround(h * ratio)), 1);
    arcBall.setBounds(float(w), float(h));
    if (!glReady) {
        return;
    }
    if (QOpenGLContext::currentContext() != context()) {
        makeCurrent();
    }
    glViewport(0, 0, viewWidth, viewHeight);
    applyProjection();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void QtGLWidget::applyProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double w = logicalWidth, h = logicalHeight;
    if (projectionMode == 1) {
        // The fitted mesh reaches about 0.58 of the shorter side in depth;
        // windows beyond 887 pixels get a deeper box so that it is never cut.
        const double depth = std::max({ 512.0, w, h });
        glOrtho(-w / 2.0, w / 2.0, -h / 2.0, h / 2.0, -depth, depth);
    } else {
        gluPerspective(45.0, w / h, 0.1, 10000.0);
    }
    glMatrixMode(GL_MODELVIEW);
}

void QtGLWidget::applyViewTransform()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (projectionMode == 1) {
        const float s = -viewDistance;
        glScalef(s, s, s);
    } else {
        gluLookAt(0.0, 0.0, -double(viewDistance), 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    }
    const float fit = fitScale();
    glScalef(fit, fit, fit);
    glMultMatrixf(arcBall.transform);
    glTranslatef(fitShift.x, fitShift.y, fitShift.z);
}

void QtGLWidget::paintGL()
{
    QElapsedTimer clock;
    clock.start();
    syncMeshIdentity();
    lod->releaseSpentGL();
    paintedKey = repaintKey();
    ++frameCount;
    // The clear colour is set before the clear so that a new background shows in
    // the frame its change asked for.
    glClearColor(
        backgroundColour.redF(), backgroundColour.greenF(), backgroundColour.blueF(), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, viewWidth, viewHeight);
    applyProjection();
    applyViewTransform();
    beginClipping(workbench.clipCube);

    // A moving frame draws a level of detail within the frame budget; its
    // highlight is the level's faces that stand for highlighted ones.
    const int level = moving || toolRunning() ? lod->chooseLevel(renderMode, mesh.numFaces) : -1;
    const Mesh& drawn = level < 0 ? mesh : lod->levelMesh(level, mesh);
    MeshDrawer& drawnBy = level < 0 ? *drawer : lod->levelDrawer(level, *drawer);
    drawRenderMode(renderMode, drawn, drawnBy, lineInk(backgroundColour));

    glDisable(GL_LIGHTING);
    drawTraversalOverlay(drawn,
        level < 0 || workbench.highlight.empty() ? workbench.highlight : lod->levelHighlight(level),
        drawer->faceNormalShading);
    drawSelectedFace(mesh);
    drawClassifierOverlay(
        mesh, workbench.classifier, workbench.shownPatch, workbench.patchThreshold);
    endClipping(workbench.clipCube);
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
    drawKernelSphere(workbench.meanShift);
    glPopMatrix();
    glEnable(GL_LIGHTING);
    // Finished, so that the time is the frame's and the next choice of level
    // rests on it.
    glFinish();
    lastFrameMs = double(clock.nsecsElapsed()) / 1e6;
    drawnFaces = drawn.numFaces;
    lod->frameDrawn(renderMode, level, drawnFaces, lastFrameMs);
    showFrameRate();
}

void QtGLWidget::pickFace(int x, int y)
{
    const int hit = faceAt(x, y);
    const int face = hit > 0 ? hit : mesh.selected;
    if (face < 1 || face > mesh.numFaces) {
        return;
    }
    // The number the batch tool's segment command takes (1-based).
    run(pickStep(face, workbench.traversal.depth, workbench.traversal.angle),
        [this](const Workbench::StepEnd& end) {
            if (end.outcome == Workbench::Outcome::Done)
                showStatus(QStringLiteral(" Face %1 picked").arg(mesh.selected));
        });
}

int QtGLWidget::faceAt(int x, int y)
{
    if (mesh.numFaces <= 0 || !glReady) {
        return 0;
    }
    makeCurrent();
    syncMeshIdentity();
    // The matrices of the mesh's own drawing, so the segment comes out in mesh
    // coordinates. Computed here rather than read from GL, which after a paint
    // holds the frame without the centring.
    GLint viewport[4] = { 0, 0, viewWidth, viewHeight };
    GLdouble modelview[16], projection[16];
    glPushAttrib(GL_TRANSFORM_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    applyProjection();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    applyViewTransform();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glMatrixMode(GL_PROJECTION);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();

    const double ratio = devicePixelRatioF();
    const double wx = x * ratio;
    const double wy = viewHeight - y * ratio;
    const double nearZ = projectionMode == 1 ? -1.0 : 0.0;
    double nx, ny, nz, fx, fy, fz;
    if (!gluUnProject(wx, wy, nearZ, modelview, projection, viewport, &nx, &ny, &nz)
        || !gluUnProject(wx, wy, 1.0, modelview, projection, viewport, &fx, &fy, &fz)) {
        return 0;
    }
    Vector nearPoint { float(nx), float(ny), float(nz) };
    Vector farPoint { float(fx), float(fy), float(fz) };

    // Only what the clip planes leave is seen, so only that can be picked. The
    // planes clip in the frame before the centring: moved into mesh coordinates.
    const PlaneWidgetInCube& cube = workbench.clipCube;
    std::vector<std::array<double, 4>> planes;
    for (std::size_t i = 0; i < std::min(cube.planes.size(), std::size_t(6)); ++i) {
        const double* e = cube.planes[i].equation;
        planes.push_back({ e[0], e[1], e[2],
            e[3] - (e[0] * mesh.centre.x + e[1] * mesh.centre.y + e[2] * mesh.centre.z) });
    }
    if (!clipSegment(planes, nearPoint, farPoint)) {
        return 0;
    }

    if (!faceBvh) {
        faceBvh = std::make_unique<FaceBvh>(mesh);
    }
    return std::max(faceBvh->nearestFace(mesh, nearPoint, farPoint), 0);
}
