#pragma once

#include "clipping/engine/PlaneWidgetInCube.h"
#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/EditHistory.h"
#include "mesh/engine/Mesh.h"
#include "segmentation/engine/EdgeTraversal.h"
#include "segmentation/engine/Mesh_Classifier.h"
#include "segmentation/engine/SegmentExport.h"
#include "terrain/engine/HeightMap.h"
#include "workbench/engine/Step.h"
#include "workbench/engine/ToolRunner.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What a change touched; listeners get an or of these.
enum WorkbenchChange : unsigned {
    // Another mesh: read from a file or built as a terrain. The view fits it.
    ChangeNewMesh = 1u << 0,
    // Positions or faces changed (the arrays may be new); derived data rebuilt.
    ChangeGeometry = 1u << 1,
    // Vertex or face colours, traversal flags or segments.
    ChangeColours = 1u << 2,
    // Face or vertex normals (a filter, or Undo of one).
    ChangeNormals = 1u << 3,
    // Which colours are shown, or the flat shading by filtered normals.
    ChangeDisplay = 1u << 4,
    // A tool's state or a setting: classifier, pick, traversal, filter,
    // morphogen names, terrain settings.
    ChangeToolState = 1u << 5,
    // The clipping cube: its planes, selection or outlines.
    ChangeClipping = 1u << 6,
    ChangeHistory = 1u << 7,
    // The file name or the modified flag.
    ChangeFile = 1u << 8,
};

// The classifier's settings, kept apart from its results so that a new mesh
// does not reset them.
struct ClassifierSettings
{
    double weight = 0.5;
    // 0 Floyd, 1 Dijkstra.
    int spMode = 0;
};

// What the filters run with: the page's radius slider value (the kernel is a
// share of the mesh's size), the algorithm last chosen and the weight profile.
struct FilterSettings
{
    float slider = 0.0f;
    int algorithm = MEAN_SHIFT;
    bool hasProfile = false;
    std::vector<Vector> profile;
    int profileHeight = 0;
};

// Everything the user works on: the mesh, its backup as last read, the edit
// history with the steps that made it, the file name and every tool's state.
// The window, facetra-cli and scripts change it only through steps (run())
// and the settings below; each change is applied through one path that
// restores what it invalidated (see the rule table in Workbench.cpp) and then
// tells the listeners.
//
// Not thread-safe: one thread calls it (the GUI thread in the window). Long
// steps run their work through the runner, which may read the mesh from a
// worker thread while nothing may change it (running() is true meanwhile).
struct MeshWriteReport;
class Workbench
{
public:
    struct Options
    {
        // Keep the mesh as last read for "reload"; without, reload is refused.
        bool keepBackup = true;
        // Keep what steps replaced, for undo and redo.
        bool keepHistory = true;
        // Bytes the history may hold, 0 for no bound.
        std::uint64_t historyBudget = 0;
    };

    Workbench();
    explicit Workbench(Options options);
    ~Workbench();
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    Mesh mesh;
    Mesh backupMesh;
    EditHistory history;
    // The file last read or saved, in the system's file-name encoding; empty
    // for none.
    std::string fileName;

    // Tool state, for reading; changed through steps and the settings below.
    Mesh_Classifier classifier;
    ClassifierSettings classifierSettings;
    // The patch Previous and Next show (-1 none) and the membership in percent
    // a face needs to be shown in it.
    int shownPatch = -1;
    int patchThreshold = 1;
    EdgeTraversal traversal;
    // Faces flagged by the latest traversal, in face order.
    std::vector<int> highlight;
    MeanShiftFilter meanShift;
    FilterSettings filterSettings;
    PlaneWidgetInCube clipCube;
    // Colouring by height interpolates the stops rather than the hue ramp.
    bool useColourStops = false;
    // What the view shows: the faces' own colours (after a classification or
    // a mark) rather than the vertex colours, and flat shading by the face
    // normals (after a filter).
    bool faceColours = false;
    bool normalShading = false;

    // ---- Listeners and hooks

    using Listener = std::function<void(unsigned changes)>;
    // Returns an id for removeListener().
    int addListener(Listener listener);
    void removeListener(int id);
    // Where lines for the status bar go (the console gets its own lines).
    std::function<void(const std::string&)> statusSink;
    // Reads a height-map image for the terrain step, as the Terrain page loads
    // it (scaled to 256 x 256). The window and facetra-cli install one; without
    // it a terrain step with a height-map file is refused.
    std::function<bool(const std::string& path, HeightMap& map, std::string& problem)>
        heightMapReader;
    // Long steps run through runner (not owned); null: at once on this thread.
    void setRunner(ToolRunner* runner);
    ToolRunner& runner() const { return *activeRunner; }
    // A long step is running: the mesh is only read, and steps are refused.
    bool running() const;

    // How a step (or an open) ended.
    enum class Outcome { Done, Refused, Cancelled, Failed };
    struct StepEnd
    {
        Outcome outcome = Outcome::Done;
        // Why a step was refused or failed, in words a user reads; empty
        // otherwise.
        std::string message;
        // A refusal the user must act on (a result too large, a mesh without
        // what the tool needs, a table of another mesh): worth more than a
        // line in the status bar.
        bool needsUser = false;
    };
    using StepDone = std::function<void(const StepEnd&)>;

    // ---- Files

    // Reads a mesh file as the window's Open does (the reader chosen by the
    // name). On success the mesh is new: backup, history and steps start
    // again, results are cleared and settings kept. A file that cannot be read
    // leaves everything as it was and returns false with the reason.
    bool open(const std::string& path, std::string* problem = nullptr);
    // The same through the runner, so that a read that blocks or takes long
    // can be cancelled while the window goes on drawing. done gets Done,
    // Failed with the reason, Cancelled, or Refused while a tool runs; the
    // mesh is replaced only when Done.
    void open(const std::string& path, StepDone done);
    // Writes the mesh in the format the suffix of path names (".obj", ".ply",
    // ".stl", ".off", each also ".gz"; any other is refused), with vertex
    // colours when they are the mesh's own. The file becomes the
    // workbench's file. A progress, when given, may stop the write (the old
    // file then stays).
    // What the format could not hold, and why nothing was written, go to
    // report when one is given.
    bool save(const std::string& path, Progress* progress = nullptr,
        MeshWriteReport* report = nullptr);
    // A mesh built outside the steps (a page that builds at once) becomes the
    // workbench's as a new one, no file's: its load data built, backup,
    // history and steps started again. fresh is left empty.
    // name is what documentName() calls it until it is saved.
    void adoptMesh(Mesh& fresh, const std::string& name = "untitled");
    // The mesh, its colours or its normals differ from the file last read or
    // saved: set by every step that changes them, cleared again by undoing (or
    // reloading) back to the state the file holds.
    bool isModified() const;
    // The name to call the mesh by: the file's name without its folder, else
    // "terrain" for a terrain not yet saved, else "untitled".
    std::string documentName() const;

    // ---- Steps


    // Whether step is one the workbench knows, with known keys and values in
    // range; the reason when not. Looks at no file.
    static bool checkStep(const Step& step, std::string& problem);
    // The verbs, in the order "facetra-cli run --help" lists them.
    static const std::vector<std::string>& verbs();

    // Runs a step. Quick steps run at once; long ones (subdivide, simplify,
    // the filters, classify, terrain) through the runner, and end when it
    // ends: at once with the default runner. done hears how it ended (also
    // for a refusal before anything ran). Returns false when the step was
    // refused at once (unknown, damaged, or a step is running).
    bool run(const Step& step, StepDone done = {});
    // Runs steps one after another, each when the one before has ended; stops
    // at the first that does not end Done. done hears the last end and the
    // index of that step.
    void runSteps(std::vector<Step> steps, std::function<void(const StepEnd&, std::size_t)> done);

    // The steps that made the mesh since it was read, undone ones left out,
    // each with every parameter it ran with.
    const std::vector<Step>& steps() const { return doneSteps; }
    // Those as a script: the name of the file they started from as a comment on
    // the first line.
    std::string stepsScript() const;
    // Names Undo and Redo would take; empty when there is none.
    std::string undoName() const;
    std::string redoName() const;

    // ---- Settings: not steps, nothing to undo; kept when the mesh changes.

    void setClassifierWeight(double weight);
    void setSpMode(int mode);
    void browsePatch(int patch);
    void setPatchThreshold(int percent);
    // The page's radius slider value and algorithm (what its buttons choose);
    // shows the kernel sphere at the current region.
    void setFilterKernel(float slider, int algorithm);
    void setFilterProfile(const std::vector<Vector>& samples, int height);
    void setUseColourStops(bool on);
    // Shortest-path table files for the current mesh.
    bool loadTable(const std::string& path);
    bool saveTable(const std::string& path);
    // Shows the faces' colours rather than the vertex colours.
    void showFaceColours(bool on);

    // Clipping planes.
    void selectPlane(int plane);
    void invertPlanes(int value);
    void showAllPlanes(int value);
    void resetAllPlanes();
    void resetCurrentPlane();
    bool loadPlanes(const std::string& path);
    bool savePlanes(const std::string& path) const;
    // Mouse on the selected planes: code 1 left, 2 middle, 3 right; window
    // positions in logical pixels.
    void pressPlanes(const Vector& position, int code);
    void dragPlanes(const Vector& position);
    void releasePlanes();
    // Bumped by every change of the cube that shows in the picture.
    std::uint64_t clipRevision() const { return clipChanges; }

    // ---- Outputs

    // The segmented export into directory (empty: the working directory).
    SegmentExportReport saveSegments(const std::string& directory) const;
    // One face normal a line, "x y z" with nine significant digits.
    bool saveNormals(const std::string& path, Progress* progress = nullptr) const;

private:
    struct Snapshot;
    struct Job;
    enum class Kind;

    bool runAt(const Step& step, StepDone done);
    bool runLong(const Step& step, StepDone& done);
    bool runQuick(const Step& step, StepDone& done);
    void settle(Kind kind);
    Snapshot snapshot(bool wholeMesh) const;
    void exchange(Snapshot& s, unsigned& changes);
    // Puts the step and what it replaced (s, emptied) on the history. Memory
    // running out leaves the history and s as they were.
    void record(const std::string& name, const Step& step, Snapshot& s, bool changesFile);
    // Runs change, which alters the state before held; when memory runs out
    // part-way, before is exchanged back and the bad_alloc goes on.
    template <class Change> void applyOrRestore(Snapshot& before, Change change);
    // fresh becomes the mesh, with its backup copy; a bad_alloc when there is
    // no memory for the copy, with nothing changed.
    void takeNewMesh(Mesh& fresh);
    void takeOpenedMesh(Mesh& fresh, const std::string& path);
    void notify(unsigned changes);
    // The cube changed in a way the picture shows.
    void clipChanged();
    void status(const std::string& line) const;
    bool undoStep();
    bool redoStep();

    Options options;
    ToolRunner ownRunner;
    ToolRunner* activeRunner = &ownRunner;
    std::vector<std::pair<int, Listener>> listeners;
    int nextListener = 1;
    std::vector<Step> doneSteps;
    std::vector<Step> undoneSteps;
    // Each state of the mesh that a file could hold has a number: a step that
    // changes what a file holds makes a new one, undo and redo exchange them.
    // The mesh differs from its file unless its state is one the file holds.
    std::uint64_t meshState = 1;
    std::uint64_t nextMeshState = 2;
    std::vector<std::uint64_t> fileStates { 1 };
    // The state of the backup mesh, which reload brings back.
    std::uint64_t backupState = 1;
    // What documentName() says of a mesh no file holds yet ("terrain").
    std::string untitledName;
    std::uint64_t newMeshState() { return nextMeshState++; }
    std::uint64_t clipChanges = 0;
    // What the step Undo or Redo just exchanged changed.
    unsigned exchangedChanges = 0;
    // Which geometry the mesh holds: bumped by every change of it, kept by
    // the history with the mesh it belongs to. The distance table is of use
    // only for the geometry it was made for.
    std::uint64_t geometryId = 1;
    std::uint64_t tableGeneration = 0;
    // The table file the distances came from, when they did.
    std::string loadedTable;
    // The file the steps started from: the one last opened.
    std::string openedFile;
};

// A save step's name made concrete: "{name}" replaced by stem (the input's
// name without folder and suffixes), and a relative result put under folder
// (when not empty).
std::string stepOutputPath(
    const std::string& name, const std::string& stem, const std::string& folder);
// The input's name without folder and suffixes ("a/b.obj.gz" gives "b").
std::string meshStem(const std::string& path);
