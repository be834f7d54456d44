#pragma once

#include "mesh/engine/Vector.h"
#include "viewer/engine/ArcBall.h"
#include "viewer/engine/Picking.h"
#include "workbench/engine/Workbench.h"

#include <QColor>
#include <QImage>
#include <QOpenGLWidget>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MeshDrawer;
class QLabel;
class QTimer;
class ViewLod;
struct TerrainParameters;

// The OpenGL view: draws the workbench's mesh in one of eight render modes with
// the tools' overlays, turns it under the arcball and picks faces. The
// workbench it owns holds everything the user works on; the slots turn the
// pages' requests into the workbench's steps and settings, and the view shows
// whatever the workbench tells it changed.
//
// Repainting: a 10 ms timer looks at what the picture depends on and repaints
// only when that changed. Code that edits `mesh` in place, bypassing the
// workbench, must call meshChanged() (or coloursChanged()) afterwards so that
// the buffers and the picking structure follow.
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
    // The user's work: mesh, backup, history within a quarter of the memory
    // available at start, and every tool's state.
    Workbench workbench;
    Mesh& mesh = workbench.mesh;
    Mesh& backupMesh = workbench.backupMesh;
    EditHistory& history = workbench.history;

    // The last file loaded or saved, as the user named it.
    QString fileName() const;

    // Reads a mesh file into the workbench (the reader chosen by the name)
    // through the tool runner, so that a slow or blocking read shows its
    // progress and can be cancelled; the view is fitted and unrotated. A file
    // that cannot be read, holds no faces or has no reader leaves the current
    // mesh untouched: done gets false and the reason (empty when cancelled).
    using LoadDone = std::function<void(bool ok, const QString& problem)>;
    void loadMesh(const QString& name, LoadDone done);
    // The same, waiting (events go on meanwhile) until the read has ended.
    bool loadMesh(const QString& name, QString* problem = nullptr);
    // Writes the mesh in the format the suffix of the name asks for (".obj",
    // ".ply", ".stl", ".off", each also ".gz"; ".obj" is appended to a name
    // without any suffix; others are refused). Vertex colours are written
    // where the format carries them when they are the mesh's own
    // (Mesh::vertexColoursSet), never the default display colour. problem gets
    // why nothing was written, losses what the format could not hold.
    bool saveMesh(const QString& name, QString* problem = nullptr, QStringList* losses = nullptr);
    // The current picture (device pixels), top row first.
    QImage grabRendering();

    void setRenderMode(int mode);
    // Switches between orthographic (1) and perspective (0).
    void setProjectionMode(int mode);
    // Flips the projection (0 becomes 1, anything else 0) and returns the new mode.
    int toggleProjectionMode();
    void setBackgroundColour(const QColor& colour);
    // The whole mesh centred at the start zoom and the default orientation.
    void fitView();
    // A tool changed the mesh since it was read or saved.
    bool isModified() const { return workbench.isModified(); }

    // Tools run through runner (not owned; null: at once on this thread). While
    // a run is going the mesh is only read: the slots that would change it, a
    // file open and picking are refused.
    void setToolRunner(ToolRunner* runner);
    bool toolRunning() const;
    // Builds a terrain from the height-map file (empty: the black map) as a
    // step, and shows it as a mesh just read.
    void buildTerrain(const QString& heightMap, const TerrainParameters& parameters);
    // Runs a step of a script (file names already made concrete); done hears
    // how it ended.
    void runStep(const Step& step, Workbench::StepDone done = {});

    // Where the slots that change the mesh send the status text (the main
    // window's status bar).
    void setStatusSink(std::function<void(const QString&)> sink);
    // Where refusals the user must act on go, besides the status bar (a
    // result too large, a mesh without what a tool needs, a table of another
    // mesh, a side file that could not be read or written): the window shows
    // them in a message box.
    void setNoticeSink(std::function<void(const QString&)> sink);
    // Told whenever the counts, the file name or isModified() may have changed.
    void setMeshStateSink(std::function<void()> sink);
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
    // The polygon modes draw each face in its own colour (after a tool coloured
    // the faces) or in the vertex colours; loading and reloading go back to the
    // vertex colours. facecolours_signal tells the menu.
    void showFaceColours(bool on);
    bool faceColoursShown() const { return workbench.faceColours; }

    // The nearest face under a widget position (logical pixels, y down), 1-based,
    // or 0 for a miss.
    int faceAt(int x, int y);
    // Picks that face as a step (the pick and the traversal from it); a miss
    // keeps the selection and traverses from it again.
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
    void resizeEvent(QResizeEvent* event) override;
    // Frames painted so far.
    std::uint64_t framesPainted() const { return frameCount; }

    // While the view moves (a left or right drag, the wheel, a plane drag) and
    // while a tool runs, frames draw the mesh's finest level of detail that fits
    // the frame budget; the frame after the motion stops draws the full mesh.
    void setMoving(bool on);
    bool isMoving() const { return moving; }
    // Whether the levels of detail of the current geometry are built.
    bool levelsReady() const;
    const ViewLod& levelsOfDetail() const;
    // Faces the last frame drew, and the milliseconds it took, finished.
    int facesDrawn() const { return drawnFaces; }
    double frameMs() const { return lastFrameMs; }
    // View, "Show Frame Rate": the frame time and the faces drawn, in the view's
    // top left corner.
    void setFrameRateShown(bool on);
    bool frameRateShown() const { return frameRateVisible; }
    // The time a moving frame should take at most (33 ms unless set).
    void setFrameBudget(double ms);
    // Waits until the levels of detail are ready, then draws `frames` frames
    // turning the mesh as a drag does, a few pixels a frame, each finished;
    // returns the seconds they took. The motion then stops.
    double turnFrames(int frames);

signals:
    void numbpatches_signal(int);
    void dragndrop_signal(QString filename);
    void buildtree_signal(std::vector<std::string>& names);
    void facecolours_signal(bool shown);
    // The history changed: the Edit menu names its entries anew.
    void history_signal();

public slots:
    // Take back the latest change, and do again the latest taken back.
    void undo_slot();
    void redo_slot();
    // Restores the mesh as last loaded; zoom, rotation and clipping stay.
    void reload_slot();
    void smooth_slot(float kernelsize, float kernelstrength);
    // Butterfly subdivision of the mesh, `subdiv` levels with the given tension;
    // the counts go to the status bar. Refused (mesh unchanged) when the result
    // would not fit.
    void subdivide_slot(int subdiv, float weight);
    // Clipping planes: toggle a plane's selection (clipMode follows it), the
    // unused invert value, the settings file, the grey outlines, resets.
    void cutplane_select_slot(int selected);
    void cutplane_invert_slot(int selected);
    void cutplane_load_slot(const QString& fn);
    void cutplane_save_slot(const QString& fn);
    void cutplane_showall_slot(int selected);
    void cutplane_resetall_slot();
    void cutplane_resetcurrent_slot();
    // Morphogen colouring of every vertex from the Morphogens page's setting;
    // the mesh's colours then count as its own (Mesh::vertexColoursSet).
    void buildvertexcolour_slot(int mixmode, std::vector<int> tooglestates,
        std::vector<QColor> colours, QColor defaultcolour);
    // Traversal from the picked face, and marking of the traversed faces as a
    // segment; both only while a face is picked.
    void edgetraversal_slot(int depth, int angle);
    void markcurrent_slot();
    // Classification: classify and emit the patch count found; re-partition;
    // browse a patch and its membership threshold; the settings and the
    // table files. All do nothing while the mesh is empty.
    void meshclassify_slot();
    void numpatches_slot(int n);
    void previouspatch_slot(int patch);
    void nextpatch_slot(int patch);
    void patchthresh_slot(int percent);
    void weight_slot(float weight);
    void sp_mode_slot(int mode);
    void loadsp_slot(const QString& name);
    void savesp_slot(const QString& name);
    // Light 0's ambient, diffuse and specular colours (x, y, z, w each).
    void light_colour_slot(const Vector& amb, const Vector& diff, const Vector& spec);
    // Directional light 0 from altitude (from +z) and azimuth (from +x towards
    // +y), in degrees.
    void light_position_slot(float alti, float azim);
    // Edge-collapse simplification to lod percent of the vertices.
    void simplify_slot(float lod);
    // Colours the vertices by height: the hue ramp, or the stops when chosen.
    void build_vertexcoloursterrain_slot(std::vector<QColor> colours, std::vector<float> values);
    // Whether colouring by height uses the stops.
    void usecolourstops_slot(bool on);
    // The Terrain page built a new mesh into `mesh`: treated as a mesh just read.
    // Steps taken on the mesh it replaced are dropped.
    void terrainbuilt_slot();
    // Normal filters; x of the page's vector is the radius slider value. A full
    // run of the algorithm (0 mean shift, 1 sphere jump, 2 median filter).
    void mshift_slot(Vector kernel, int algorithm);
    // Keeps kernel and algorithm for the steps; nothing runs.
    void mshiftrad_slot(Vector kernel, int algorithm);
    // One pass of the kept algorithm.
    void mshiftstep_slot(Vector kernel);
    // The weight profile drawn on the page (sizey: the plot height in pixels).
    void function_slot(std::vector<Vector> func, int sizey);

protected:
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void initializeGL() override;
    void paintGL() override;

private:
    // What the workbench says changed, shown.
    void workbenchChanged(unsigned changes);
    // Runs a step; a refusal or failure goes to the status bar.
    void run(const Step& step, Workbench::StepDone done = {});
    // True, after a status line, while a tool runs.
    bool refuseWhileRunning();

    static constexpr std::size_t kRepaintKeySize = 32;
    std::array<double, kRepaintKeySize> repaintKey() const;
    std::array<std::uintptr_t, 4> currentMeshIdentity() const;
    void syncMeshIdentity();
    void applyProjection();
    void applyViewTransform();
    void releaseGL();
    void showStatus(const QString& text);
    void notifyMeshState();
    // Scales -viewDistance (the picture's size) by factor, in either projection.
    void zoomBy(double factor);
    void setUpMotion();
    void showFrameRate();

    std::function<void(const QString&)> statusSink;
    std::function<void(const QString&)> noticeSink;
    // Shown over the view while there is no mesh.
    QLabel* emptyHint = nullptr;
    // The status bar, and the notice sink too.
    void tellUser(const QString& text);
    void tableFile(const QString& name, bool (Workbench::*act)(const std::string&),
        const QString& failure, const QString& fallback);
    std::function<void()> meshStateSink;
    // The mesh's centre when the view was last fitted or the geometry last
    // changed: a tool that moves the centre does not move the picture.
    Vector drawnCentre;
    // Moves the box centre of the mesh as it is now to where the centre of the
    // mesh as loaded is drawn (Fit View after a tool moved the mesh).
    Vector fitShift { 0.0f, 0.0f, 0.0f, 0.0f };
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
    bool faceColoursDrawn = false;
    // Logical size for the orthographic box and the arcball.
    int logicalWidth = 1;
    int logicalHeight = 1;
    bool glReady = false;
    Vector lightAmbient { 0.5f, 0.5f, 0.5f, 1.0f };
    Vector lightDiffuse { 0.125f, 0.125f, 0.125f, 1.0f };
    Vector lightSpecular { 0.0f, 0.0f, 0.0f, 1.0f };
    ViewLod* lod = nullptr;
    QTimer* wheelRest = nullptr;
    QLabel* frameRateLabel = nullptr;
    bool moving = false;
    bool frameRateVisible = false;
    int drawnFaces = 0;
    double lastFrameMs = 0.0;
};
