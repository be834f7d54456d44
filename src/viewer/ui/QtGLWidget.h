#pragma once

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Vector.h"
#include "refinement/engine/Subdivider.h"
#include "viewer/engine/ArcBall.h"
#include "viewer/engine/Picking.h"

#include <QColor>
#include <QImage>
#include <QOpenGLWidget>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MeshDrawer;

// The OpenGL view: owns the current mesh, its backup as last loaded, the arcball,
// and draws the mesh in one of eight render modes. Tool pages reach the mesh
// only through the slots.
//
// Repainting: a 10 ms timer looks at what the picture depends on and repaints
// only when that changed. Code that edits `mesh` in place must call
// meshChanged() (or coloursChanged()) afterwards so that the buffers and the
// picking structure follow.
class QtGLWidget : public QOpenGLWidget
{
    Q_OBJECT

public:
    explicit QtGLWidget(QWidget* parent = nullptr, const char* name = nullptr);
    ~QtGLWidget() override;

    // Clear colour of paintGL.
    QColor backgroundColour { 255, 255, 255, 255 };
    // 1 orthographic, 0 perspective.
    int projectionMode = 1;
    // What a mouse move does: -1 nothing, 0 rotate, 1 clipping-plane drag, 2 zoom.
    int mouseMode = -1;
    // 1 while a clipping plane is selected.
    int clipMode = 0;
    // The last file loaded or saved.
    QString fileName;
    // Render-mode id 0..7 (4 Polygons); another id draws no mesh.
    int renderMode = 4;
    // The viewport in device pixels.
    int viewWidth = 0;
    int viewHeight = 0;
    // -viewDistance is the orthographic scale and the perspective eye distance;
    // -200 at the start and after every load, 0.1 per pixel of right-button drag.
    float viewDistance = -200.0f;
    float zoomStep = 0.0f;
    // Window position (logical pixels) of the previous mouse event.
    Vector lastMouse;
    Vector lightPosition { 0.0f, 0.0f, 1.0f, 0.0f };
    ArcBall arcBall;
    Mesh mesh;
    Mesh backupMesh;
    Subdivider subdivider;

    // Reads a mesh file chosen by the last four characters of the name ("obj" or
    // "net", any case), builds its derived data, orients its faces and keeps a
    // backup. A name no reader handles keeps the mesh. The zoom is reset either
    // way. A file that cannot be read leaves the current mesh untouched and
    // returns false.
    bool loadMesh(const QString& name);
    // Writes the mesh by the suffix of the name (".ply", ".stl", ".off", else OBJ;
    // ".obj" is appended to an OBJ name that does not contain it), with the vertex
    // colours where the format carries them and the mesh has colours of its own.
    bool saveMesh(const QString& name);
    // The current picture (device pixels), top row first.
    QImage grabRendering();

    void setRenderMode(int mode);
    // Switches between orthographic (1) and perspective (0).
    void setProjectionMode(int mode);
    // Flips the projection (0 becomes 1, anything else 0) and returns the new mode.
    int toggleProjectionMode();
    void setBackgroundColour(const QColor& colour);

    // Where the slots that change the mesh send the status text (the main
    // window's status bar).
    void setStatusSink(std::function<void(const QString&)> sink);
    // " Verts: N Faces: M".
    static QString meshCountsText(const Mesh& mesh);
    // Sends the counts of `mesh` to the status sink, as the slots that change
    // the geometry do.
    void showMeshCounts();

    // `mesh` was edited in place: redraw, refill the buffers and rebuild the
    // picking structure.
    void meshChanged();
    // Only vertex colours changed.
    void coloursChanged();

    // Selects the nearest face under a widget position (logical pixels, y down)
    // into mesh.selected (1-based); a miss keeps the selection.
    void pickFace(int x, int y);

    // The uniform scale, applied between the view transform and the rotation,
    // that makes the longest side of the mesh's box span two thirds of the
    // window's shorter side at the start zoom, in either projection.
    float fitScale() const;

    // Replaces the drawer (tests and benchmarks compare drawing paths). Takes
    // effect from the next frame.
    void setMeshDrawer(std::unique_ptr<MeshDrawer> drawer);

    // Sets the viewport and the projection for a widget size in logical pixels; a
    // zero side counts as 1.
    void resizeGL(int w, int h) override;
    // Frames painted so far.
    std::uint64_t framesPainted() const { return frameCount; }

signals:
    void numbpatches_signal(int);
    void dragndrop_signal(QString filename);
    void buildtree_signal(std::vector<std::string>& names);

public slots:
    // Restores the mesh as last loaded; zoom, rotation and clipping stay.
    void reload_slot();
    void smooth_slot(float kernelsize, float kernelstrength);
    // Butterfly subdivision of the mesh, `subdiv` levels with the given tension;
    // the counts go to the status bar. Refused (mesh unchanged) when the result
    // would not fit.
    void subdivide_slot(int subdiv, float weight);
    // Light 0's ambient, diffuse and specular colours (x, y, z, w each).
    void light_colour_slot(const Vector& amb, const Vector& diff, const Vector& spec);
    // Directional light 0 from altitude (from +z) and azimuth (from +x towards
    // +y), in degrees.
    void light_position_slot(float alti, float azim);
    // Edge-collapse simplification to lod percent of the vertices.
    void simplify_slot(float lod);

protected:
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void initializeGL() override;
    void paintGL() override;

private:
    static constexpr std::size_t kRepaintKeySize = 28;
    std::array<double, kRepaintKeySize> repaintKey() const;
    std::array<std::uintptr_t, 4> currentMeshIdentity() const;
    void syncMeshIdentity();
    void applyProjection();
    void applyViewTransform();
    void releaseGL();
    void showStatus(const QString& text);
    void afterMeshReplaced();

    std::function<void(const QString&)> statusSink;
    std::unique_ptr<MeshDrawer> drawer;
    std::unique_ptr<FaceBvh> faceBvh;
    bool faceBvhStale = true;
    // Bumped by every change of the mesh; the repaint check compares it.
    std::uint64_t meshRevision = 0;
    std::uint64_t lightRevision = 0;
    std::array<double, kRepaintKeySize> paintedKey {};
    // What the buffers were filled from; a mesh replaced wholesale (new arrays)
    // is noticed even without meshChanged().
    std::array<std::uintptr_t, 4> meshIdentity {};
    // Longest side of the mesh's box when it was loaded or last replaced: the
    // size the view fits. Edits in place keep it, so the view does not jump.
    float fitExtent = 0.0f;
    std::uint64_t frameCount = 0;
    // Logical size for the orthographic box and the arcball.
    int logicalWidth = 1;
    int logicalHeight = 1;
    bool glReady = false;
    Vector lightAmbient { 0.5f, 0.5f, 0.5f, 1.0f };
    Vector lightDiffuse { 0.125f, 0.125f, 0.125f, 1.0f };
    Vector lightSpecular { 0.0f, 0.0f, 0.0f, 1.0f };
};
