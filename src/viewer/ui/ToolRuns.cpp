// The view's tool runs and its history: every slot that changes the mesh or
// what is shown of it keeps what it replaces as a step of the history, and the
// long ones run their engine through the tool runner on a copy of the mesh.

#include "viewer/ui/QtGLWidget.h"

#include "filtering/ui/MeanShiftView.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"
#include "morphogens/ui/MorphogenQtColours.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"
#include "segmentation/ui/ClassifierView.h"
#include "viewer/ui/MeshDrawer.h"

#include <cstdio>
#include <utility>

namespace {

template <class T>
std::uint64_t bytesOf(const std::vector<T>& v)
{
    return std::uint64_t(v.capacity()) * sizeof(T);
}

std::uint64_t meshBytes(const Mesh& m)
{
    std::uint64_t bytes = sizeof(Mesh) + bytesOf(m.vertices) + bytesOf(m.vertexNormals)
        + bytesOf(m.vertexColours) + bytesOf(m.texCoords) + bytesOf(m.centroids)
        + bytesOf(m.facePtrs) + bytesOf(m.faces) + bytesOf(m.edgeVertices) + bytesOf(m.edgeFaces)
        + bytesOf(m.vertexEdgeRefs.offsets) + bytesOf(m.vertexEdgeRefs.items)
        + bytesOf(m.faceNeighbourRefs.offsets) + bytesOf(m.faceNeighbourRefs.items)
        + bytesOf(m.morphogenValues);
    for (const auto& values : m.morphogenValues)
        bytes += bytesOf(values);
    return bytes;
}

// What marking a segment or colouring patches changes in a face.
struct FaceMark
{
    Vector colour;
    int traversed = 0;
    int segment = 0;
};

// What a tool run hands from its worker to its finish.
struct MeshJob
{
    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<MeanShiftFilter> filter;
    Mesh_Classifier classifier;
    int stoppedAt = -1;
};

} // namespace

// The parts of the view's state one step replaced. exchange() swaps each part
// held with the view's, so the same snapshot serves Undo and then Redo.
struct QtGLWidget::Snapshot
{
    // The whole mesh (a tool that rebuilt it), and the backup with it (a terrain
    // built, which counts as a mesh just read).
    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<Mesh> backup;
    bool hasVertexColours = false;
    std::vector<Vector> vertexColours;
    bool vertexColoursSet = false;
    bool hasVertexNormals = false;
    std::vector<Vector> vertexNormals;
    bool hasFaceNormals = false;
    std::vector<Vector> faceNormals;
    std::unique_ptr<MeanShiftFilter> filter;
    bool hasFaceMarks = false;
    std::vector<FaceMark> faceMarks;
    // Always held: how the faces are shown, and the segment numbering with the
    // latest traversal's highlight.
    bool faceColours = false;
    bool normalShading = false;
    int segmentCount = 0;
    std::vector<int> highlight;

    // The faces' marks and normals of m, as this step is to keep them.
    void keepFaceMarks(const Mesh& m)
    {
        hasFaceMarks = true;
        faceMarks.resize(m.faces.size());
        for (std::size_t f = 0; f < faceMarks.size(); ++f)
            faceMarks[f] = { m.faces[f].colour, m.faces[f].traversed, m.faces[f].segment };
    }
    void keepFaceNormals(const Mesh& m)
    {
        hasFaceNormals = true;
        faceNormals.resize(m.faces.size());
        for (std::size_t f = 0; f < faceNormals.size(); ++f)
            faceNormals[f] = m.faces[f].normal;
    }

    std::uint64_t bytes() const
    {
        std::uint64_t b = sizeof(Snapshot) + bytesOf(vertexColours) + bytesOf(vertexNormals)
            + bytesOf(faceNormals) + bytesOf(faceMarks) + bytesOf(highlight);
        if (mesh)
            b += meshBytes(*mesh);
        if (backup)
            b += meshBytes(*backup);
        if (filter)
            b += sizeof(MeanShiftFilter) + bytesOf(filter->regionPoints) + bytesOf(filter->profile);
        return b;
    }
};

QtGLWidget::Snapshot QtGLWidget::snapshot(bool wholeMesh) const
{
    Snapshot s;
    if (wholeMesh)
        s.mesh = mesh.duplicate();
    s.faceColours = faceColours;
    s.normalShading = drawer->faceNormalShading;
    s.segmentCount = traversal.traversal.segmentCount;
    s.highlight = traversal.highlighted();
    return s;
}

void QtGLWidget::exchange(Snapshot& s)
{
    if (s.mesh)
        std::swap(mesh, *s.mesh);
    if (s.backup)
        std::swap(backupMesh, *s.backup);
    // Parts kept for another mesh than this one (which no step replaced) are
    // not applied.
    const std::size_t vertices = mesh.vertices.size();
    const std::size_t faces = mesh.faces.size();
    if (s.hasVertexColours && s.vertexColours.size() == vertices) {
        std::swap(mesh.vertexColours, s.vertexColours);
        std::swap(mesh.vertexColoursSet, s.vertexColoursSet);
    }
    if (s.hasVertexNormals && s.vertexNormals.size() == vertices)
        std::swap(mesh.vertexNormals, s.vertexNormals);
    if (s.hasFaceNormals && s.faceNormals.size() == faces) {
        for (std::size_t f = 0; f < s.faceNormals.size(); ++f)
            std::swap(mesh.faces[f].normal, s.faceNormals[f]);
    }
    if (s.filter) {
        std::swap(meanShift, *s.filter);
        meanShift.mesh = &mesh;
    }
    if (s.hasFaceMarks && s.faceMarks.size() == faces) {
        for (std::size_t f = 0; f < s.faceMarks.size(); ++f) {
            Face& face = mesh.faces[f];
            std::swap(face.colour, s.faceMarks[f].colour);
            std::swap(face.traversed, s.faceMarks[f].traversed);
            std::swap(face.segment, s.faceMarks[f].segment);
        }
    }
    std::swap(traversal.traversal.segmentCount, s.segmentCount);
    traversal.swapHighlight(s.highlight);

    if (s.mesh || s.hasVertexNormals)
        meshChanged();
    else
        coloursChanged();
    const bool showFaces = s.faceColours;
    s.faceColours = faceColours;
    showFaceColours(showFaces);
    const bool shading = s.normalShading;
    s.normalShading = drawer->faceNormalShading;
    drawer->faceNormalShading = shading;
    if (shading)
        drawer->faceNormalsChanged();
    showMeshCounts();
}

void QtGLWidget::record(const QString& name, Snapshot s)
{
    const std::uint64_t bytes = s.bytes();
    const int dropped = history.push(makeEditStep(name.toStdString(), bytes,
        [this, kept = std::move(s)]() mutable { exchange(kept); }));
    if (dropped > 0) {
        showStatus(QStringLiteral(" Undo history full: the %1 oldest step%2 dropped")
                       .arg(dropped)
                       .arg(dropped == 1 ? QStringLiteral(" was") : QStringLiteral("s were")));
    }
    emit history_signal();
}

void QtGLWidget::undo_slot()
{
    if (!refuseWhileRunning() && history.undo())
        emit history_signal();
}

void QtGLWidget::redo_slot()
{
    if (!refuseWhileRunning() && history.redo())
        emit history_signal();
}

// ---- Runs

void QtGLWidget::setToolRunner(ToolRunner* r)
{
    runner = r ? r : &ownRunner;
}

bool QtGLWidget::toolRunning() const
{
    return runner->busy();
}

bool QtGLWidget::refuseWhileRunning()
{
    if (!toolRunning())
        return false;
    showStatus(QStringLiteral(" A tool is running: wait for it or cancel it"));
    return true;
}

void QtGLWidget::adoptMesh(const QString& step, std::unique_ptr<Mesh> result)
{
    Snapshot before = snapshot(false);
    before.mesh = std::move(result);
    std::swap(mesh, *before.mesh);
    traversal.meshReplaced();
    meshChanged();
    showMeshCounts();
    record(step, std::move(before));
}

void QtGLWidget::adoptFilter(
    const QString& step, bool written, Mesh& filtered, MeanShiftFilter& filter)
{
    Snapshot before = snapshot(false);
    before.filter = std::make_unique<MeanShiftFilter>(std::move(meanShift));
    meanShift = std::move(filter);
    meanShift.mesh = &mesh;
    // A run that wrote nothing may still have kept its kernel and algorithm.
    if (!written)
        return;
    before.keepFaceNormals(mesh);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
        mesh.faces[f].normal = filtered.faces[f].normal;
    normalsFiltered();
    record(step, std::move(before));
}

void QtGLWidget::subdivide_slot(int subdiv, float weight)
{
    auto job = std::make_shared<MeshJob>();
    ToolRun run;
    run.name = "Subdivide";
    run.estimatedBytes = std::uint64_t(subdivisionBytes(mesh, subdiv));
    run.work = [this, job, subdiv, weight](Progress& progress) {
        // The refined mesh is built from the view's, which is only read.
        job->mesh = subdiv > 0 ? std::make_unique<Mesh>() : mesh.duplicate();
        Subdivider subdivider;
        if (!subdivideMesh(mesh, *job->mesh, subdivider, subdiv, weight, &progress))
            return false;
        // The refined mesh carries no colours; show it as a mesh without them.
        paintDefaultColours(*job->mesh);
        return true;
    };
    run.finish = [this, job](bool done) {
        if (!done) {
            showStatus(QStringLiteral(" Subdivision refused: see the console"));
            return;
        }
        adoptMesh(QStringLiteral("Subdivide"), std::move(job->mesh));
    };
    // The runner refuses a second run itself, and says so.
    runner->start(std::move(run));
}

void QtGLWidget::simplify_slot(float lod)
{
    auto job = std::make_shared<MeshJob>();
    ToolRun run;
    run.name = "Simplify";
    run.work = [this, job, lod](Progress& progress) {
        job->mesh = mesh.duplicate();
        if (!simplifyMesh(*job->mesh, lod, &progress, &job->stoppedAt))
            return false;
        paintDefaultColours(*job->mesh);
        return true;
    };
    run.finish = [this, job](bool done) {
        if (!done) {
            showStatus(QStringLiteral(" Simplification failed: see the console"));
            return;
        }
        adoptMesh(QStringLiteral("Simplify"), std::move(job->mesh));
        if (job->stoppedAt >= 0) {
            const std::string message = foldStopMessage(job->stoppedAt);
            std::printf("%s\n", message.c_str());
            std::fflush(stdout);
            showStatus(QString::fromStdString(message));
        }
    };
    // The runner refuses a second run itself, and says so.
    runner->start(std::move(run));
}

namespace {

QString filterName(int algorithm)
{
    switch (algorithm) {
    case MEAN_SHIFT:
        return QStringLiteral("Mean Shift");
    case SHPERE_JUMP:
        return QStringLiteral("Sphere Jump");
    case MEDIAN_FILTER:
        return QStringLiteral("Median Filter");
    default:
        return QStringLiteral("Filter");
    }
}

} // namespace

void QtGLWidget::mshift_slot(Vector kernel, int algorithm)
{
    auto job = std::make_shared<MeshJob>();
    job->filter = std::make_unique<MeanShiftFilter>(meanShift);
    ToolRun run;
    run.name = filterName(algorithm).toStdString();
    run.work = [this, job, kernel, algorithm](Progress& progress) {
        job->mesh = mesh.duplicate();
        job->filter->mesh = job->mesh.get();
        return applyFilter(*job->filter, *job->mesh, kernel, algorithm, &progress);
    };
    run.finish = [this, job, name = QString::fromStdString(run.name)](bool written) {
        adoptFilter(name, written, *job->mesh, *job->filter);
    };
    // The runner refuses a second run itself, and says so.
    runner->start(std::move(run));
}

void QtGLWidget::mshiftstep_slot(Vector kernel)
{
    auto job = std::make_shared<MeshJob>();
    job->filter = std::make_unique<MeanShiftFilter>(meanShift);
    ToolRun run;
    run.name = (filterName(meanShift.algorithm) + QStringLiteral(" Step")).toStdString();
    run.work = [this, job, kernel](Progress& progress) {
        job->mesh = mesh.duplicate();
        job->filter->mesh = job->mesh.get();
        return stepFilter(*job->filter, *job->mesh, kernel, &progress);
    };
    run.finish = [this, job, name = QString::fromStdString(run.name)](bool written) {
        adoptFilter(name, written, *job->mesh, *job->filter);
    };
    // The runner refuses a second run itself, and says so.
    runner->start(std::move(run));
}

void QtGLWidget::meshclassify_slot()
{
    if (mesh.numVertices == 0)
        return;
    if (refuseWhileRunning())
        return;
    // The table is lent to the run (it cannot be copied) and handed back at its
    // end; a run that would have filled it anew and did not end leaves it to be
    // filled again.
    auto job = std::make_shared<MeshJob>();
    Mesh_Classifier& live = classification->classifier;
    live.mesh = &mesh;
    const bool tableBuilt = live.tableWillBeBuilt();
    job->classifier.copyAllButTable(live);
    job->classifier.table = std::move(live.table);
    ToolRun run;
    run.name = "Classification";
    if (tableBuilt) {
        run.estimatedBytes
            = std::uint64_t(ShortestPathTable::entriesFor(mesh.numFaces)) * sizeof(float);
    }
    run.work = [this, job](Progress& progress) {
        job->mesh = mesh.duplicate();
        return job->classifier.classifyMesh(*job->mesh, &progress);
    };
    run.abandoned = [this, job, tableBuilt] {
        Mesh_Classifier& c = classification->classifier;
        c.table = std::move(job->classifier.table);
        if (tableBuilt)
            c.rebuild = 1;
    };
    run.finish = [this, job](bool done) {
        Mesh_Classifier& c = classification->classifier;
        if (!done) {
            // Nothing changed but the table.
            c.table = std::move(job->classifier.table);
            showStatus(QStringLiteral(" Classification refused: see the console"));
            return;
        }
        // The run's copy differs from the view's mesh in its face colours and
        // its normals, built again (which resets filtered face normals); the
        // step keeps those of the mesh it replaces.
        Snapshot before = snapshot(false);
        std::swap(mesh, *job->mesh);
        before.keepFaceMarks(*job->mesh);
        before.keepFaceNormals(*job->mesh);
        before.hasVertexNormals = true;
        before.vertexNormals = std::move(job->mesh->vertexNormals);
        c = std::move(job->classifier);
        c.mesh = &mesh;
        classification->shownPatch = -1;
        meshChanged();
        showFaceColours(true);
        // The page answers with its patch count; those re-partitions belong
        // to this step.
        classifying = true;
        emit numbpatches_signal(c.numPatches);
        classifying = false;
        record(QStringLiteral("Classification"), std::move(before));
    };
    // The runner refuses a second run itself, and says so.
    runner->start(std::move(run));
}

void QtGLWidget::numpatches_slot(int n)
{
    if (mesh.numVertices == 0 || refuseWhileRunning())
        return;
    if (classifying) {
        if (classification->repartition(n))
            coloursChanged();
        return;
    }
    Snapshot before = snapshot(false);
    before.keepFaceMarks(mesh);
    if (classification->repartition(n)) {
        coloursChanged();
        record(QStringLiteral("Re-partition"), std::move(before));
    }
}

void QtGLWidget::markcurrent_slot()
{
    if (refuseWhileRunning())
        return;
    Snapshot before = snapshot(false);
    before.keepFaceMarks(mesh);
    if (traversal.markCurrent()) {
        // The new segment's colour lives in the faces: show the face colours.
        showFaceColours(true);
        coloursChanged();
        update();
        record(QStringLiteral("Mark Segment"), std::move(before));
    }
}

void QtGLWidget::buildvertexcolour_slot(int mixmode, std::vector<int> tooglestates,
    std::vector<QColor> colours, QColor defaultcolour)
{
    if (refuseWhileRunning())
        return;
    Snapshot before = snapshot(false);
    before.hasVertexColours = true;
    before.vertexColours = mesh.vertexColours;
    before.vertexColoursSet = mesh.vertexColoursSet;
    colourMeshByMorphogens(mesh, mixmode, tooglestates, colours, defaultcolour);
    coloursChanged();
    record(QStringLiteral("Morphogen Colours"), std::move(before));
}

void QtGLWidget::build_vertexcoloursterrain_slot(
    std::vector<QColor> colours, std::vector<float> values)
{
    if (refuseWhileRunning())
        return;
    Snapshot before = snapshot(false);
    before.hasVertexColours = true;
    before.vertexColours = mesh.vertexColours;
    before.vertexColoursSet = mesh.vertexColoursSet;
    terrain.colourByHeight(mesh, colours, values);
    mesh.vertexColoursSet = true;
    coloursChanged();
    record(QStringLiteral("Height Colours"), std::move(before));
}

void QtGLWidget::reload_slot()
{
    if (refuseWhileRunning())
        return;
    Snapshot before = snapshot(true);
    classification->reset();
    mesh.copyFrom(backupMesh);
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    traversal.meshReplaced();
    showFaceColours(false);
    meshChanged();
    changedSinceBackup = false;
    modified = !backupIsFile;
    notifyMeshState();
    record(QStringLiteral("Reload"), std::move(before));
}

void QtGLWidget::buildTerrain(std::function<bool(Mesh&, Progress&)> buildIt, std::uint64_t bytes)
{
    auto job = std::make_shared<MeshJob>();
    ToolRun run;
    run.name = "Terrain";
    run.estimatedBytes = bytes;
    run.work = [job, buildIt = std::move(buildIt)](Progress& progress) {
        job->mesh = std::make_unique<Mesh>();
        return buildIt(*job->mesh, progress);
    };
    run.finish = [this, job](bool built) {
        if (!built)
            return;
        Snapshot before = snapshot(false);
        before.mesh = std::move(job->mesh);
        std::swap(mesh, *before.mesh);
        before.backup = std::make_unique<Mesh>();
        std::swap(backupMesh, *before.backup);
        terrainBuilt();
        record(QStringLiteral("Terrain"), std::move(before));
    };
    // The runner refuses a second run itself, and says so.
    runner->start(std::move(run));
}
