#include "workbench/engine/Workbench.h"

#include "workbench/engine/StepParameters.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/MemoryInfo.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteMeshFile.h"
#include "mesh/engine/WriteObj.h"
#include "morphogens/engine/MorphogenColouring.h"
#include "morphogens/engine/MorphogenSettings.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"
#include "terrain/engine/HeightColours.h"
#include "terrain/engine/TerrainBuilder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

// What each kind of change does to the rest of the workbench. Every step ends
// in settle() with one of these kinds; nothing else resets tool state.
//
//                  derived  classifier  pick, segments,  filter run   clipping  colours
//                  data     result      highlight        and sphere   cube      shown
// NewMesh          load     cleared     cleared          cleared      refitted  vertex
// NewGeometry      load     cleared     cleared          cleared      kept      vertex
// Normals          kept     kept        kept             the run's    kept      kept; flat
// Classification   its own  the run's   kept             kept         kept      face; smooth
// Partition        kept     re-parted   kept             kept         kept      face
// Colouring        kept     kept        kept             kept         kept      vertex
// Pick             kept     kept        the step's       kept         kept      kept
// Mark             kept     kept        highlight gone   kept         kept      face
//
// NewMesh: open, terrain. NewGeometry: subdivide, simplify, reload. Normals:
// filter, filter-step. Classification: classify. Partition: repartition.
// Colouring: morphogens, height-colours. Pick: pick, traverse. Mark: mark.
// "load": the builds a file load runs (buildLoadData). "its own": the
// classifier builds normals and edges. "flat": shaded by the filtered face
// normals; "smooth": not.
//
// Settings (classifier weight and mode, filter kernel, algorithm and profile,
// colour stops) are never touched by a change; a step that names them sets
// them. Undo and Redo exchange exactly what the step replaced, so they restore
// each row's columns as they were.
enum class Workbench::Kind {
    NewMesh,
    NewGeometry,
    Normals,
    Classification,
    Partition,
    Colouring,
    Pick,
    Mark
};

using namespace steps;
using Parsed = steps::Parameters;

namespace {

template <class T> std::uint64_t bytesOf(const std::vector<T>& v)
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

// The mesh as read, for the backup and for reload: copyFrom() carries
// positions, colours and corners, not the morphogens the file gave.
void copyAsRead(Mesh& to, const Mesh& from)
{
    to.copyFrom(from);
    to.morphogenValues = from.morphogenValues;
    to.morphogenNames = from.morphogenNames;
}

// What marking a segment or colouring patches changes in a face.
struct FaceMark
{
    Vector colour;
    int traversed = 0;
    int segment = 0;
};

const char* filterStepName(int algorithm)
{
    switch (algorithm) {
    case MEAN_SHIFT:
        return "Mean Shift";
    case SHPERE_JUMP:
        return "Sphere Jump";
    case MEDIAN_FILTER:
        return "Median Filter";
    default:
        return "Filter";
    }
}

std::string profileText(const std::vector<Vector>& profile)
{
    std::string text;
    for (const Vector& p : profile) {
        if (!text.empty())
            text += ';';
        text += stepNumber(p.x) + ',' + stepNumber(p.y);
    }
    return text;
}

} // namespace

// The parts of the workbench's state one step replaced. exchange() swaps each
// part held with the workbench's, so the same snapshot serves Undo and Redo.
struct Workbench::Snapshot
{
    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<Mesh> backup;
    std::unique_ptr<PlaneWidgetInCube> cube;
    // A new mesh's step keeps the file it replaced.
    bool hasFile = false;
    std::string fileName;
    bool backupIsFile = false;
    std::unique_ptr<ClassifierState> classifier;
    std::unique_ptr<MeanShiftFilter> filter;
    bool hasVertexColours = false;
    std::vector<Vector> vertexColours;
    bool vertexColoursSet = false;
    bool hasVertexNormals = false;
    std::vector<Vector> vertexNormals;
    bool hasFaceNormals = false;
    std::vector<Vector> faceNormals;
    bool hasFaceMarks = false;
    std::vector<FaceMark> faceMarks;
    // The faces flagged by a traversal and their flags: picks are frequent,
    // and a traversal changes nothing else, so a pick keeps only these.
    bool hasTraversed = false;
    std::vector<std::pair<int, int>> traversed;
    // Always held: what is shown, the pick and the segment numbering with the
    // latest traversal's highlight, and which geometry the mesh is.
    bool faceColours = false;
    bool normalShading = false;
    int selected = -1;
    int shownPatch = -1;
    int segmentCount = 0;
    std::vector<int> highlight;
    std::uint64_t geometry = 0;

    void keepFaceMarks(const Mesh& m)
    {
        hasFaceMarks = true;
        faceMarks.resize(m.faces.size());
        for (std::size_t f = 0; f < faceMarks.size(); ++f)
            faceMarks[f] = { m.faces[f].colour, m.faces[f].traversed, m.faces[f].segment };
    }
    static std::vector<std::pair<int, int>> flagged(const Mesh& m)
    {
        std::vector<std::pair<int, int>> list;
        for (std::size_t f = 0; f < m.faces.size(); ++f) {
            if (m.faces[f].traversed != 0)
                list.emplace_back(int(f), m.faces[f].traversed);
        }
        return list;
    }
    void keepTraversed(const Mesh& m)
    {
        hasTraversed = true;
        traversed = flagged(m);
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
            + bytesOf(faceNormals) + bytesOf(faceMarks) + bytesOf(traversed) + bytesOf(highlight);
        if (mesh)
            b += meshBytes(*mesh);
        if (backup)
            b += meshBytes(*backup);
        if (classifier) {
            b += sizeof(ClassifierState) + bytesOf(classifier->patchOfFace)
                + bytesOf(classifier->centroids);
            for (const auto& row : classifier->memberships)
                b += bytesOf(row);
        }
        if (filter)
            b += sizeof(MeanShiftFilter) + bytesOf(filter->regionPoints) + bytesOf(filter->profile);
        return b;
    }
};

// What a long step's work hands to its finish.
struct Workbench::Job
{
    Parsed p;
    Step resolved;
    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<MeanShiftFilter> filter;
    Mesh_Classifier classifier;
    HeightMap heightMap;
    int stoppedAt = -1;
    int partitioned = 0;
};

Workbench::Workbench()
    : Workbench(Options {})
{ }

Workbench::Workbench(Options o)
    : history(o.historyBudget)
    , traversal(&mesh)
    , meanShift(&mesh)
    , options(o)
{
    classifier.mesh = &mesh;
}

Workbench::~Workbench() = default;

int Workbench::addListener(Listener listener)
{
    listeners.emplace_back(nextListener, std::move(listener));
    return nextListener++;
}

void Workbench::removeListener(int id)
{
    std::erase_if(listeners, [id](const auto& l) { return l.first == id; });
}

void Workbench::notify(unsigned changes)
{
    if (changes == 0)
        return;
    // A listener may remove itself while being told.
    const auto current = listeners;
    for (const auto& [id, listener] : current)
        listener(changes);
}

void Workbench::status(const std::string& line) const
{
    if (statusSink)
        statusSink(line);
}

void Workbench::setRunner(ToolRunner* r)
{
    activeRunner = r ? r : &ownRunner;
}

bool Workbench::running() const
{
    return activeRunner->busy();
}

// ---- Files

bool Workbench::open(const std::string& path, std::string* problem)
{
    if (running()) {
        if (problem)
            *problem = "a tool is still running";
        return false;
    }
    if (meshFileKind(path) == MeshFileKind::None) {
        const std::string why = path + ": no reader for this kind of file";
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", why.c_str());
        if (problem)
            *problem = why;
        return false;
    }
    Mesh fresh;
    if (!openMeshFile(fresh, path, nullptr, problem))
        return false;
    takeNewMesh(fresh);
    fileName = path;
    openedFile = path;
    modified = changedSinceBackup = false;
    backupIsFile = true;
    history.clear();
    doneSteps.clear();
    undoneSteps.clear();
    notify(ChangeNewMesh | ChangeGeometry | ChangeColours | ChangeNormals | ChangeDisplay
        | ChangeToolState | ChangeClipping | ChangeHistory | ChangeFile);
    return true;
}

void Workbench::adoptMesh(Mesh& fresh)
{
    buildLoadData(fresh);
    takeNewMesh(fresh);
    fresh = Mesh();
    fileName.clear();
    openedFile.clear();
    modified = changedSinceBackup = true;
    backupIsFile = false;
    history.clear();
    doneSteps.clear();
    undoneSteps.clear();
    notify(ChangeNewMesh | ChangeGeometry | ChangeColours | ChangeNormals | ChangeDisplay
        | ChangeToolState | ChangeClipping | ChangeHistory | ChangeFile);
}

void Workbench::takeNewMesh(Mesh& fresh)
{
    std::swap(mesh, fresh);
    if (options.keepBackup)
        copyAsRead(backupMesh, mesh);
    ++geometryId;
    settle(Kind::NewMesh);
}

bool Workbench::save(const std::string& path, Progress* progress)
{
    if (!writeMeshFile(mesh, path, mesh.vertexColoursSet, progress))
        return false;
    fileName = path;
    modified = false;
    backupIsFile = !changedSinceBackup;
    notify(ChangeFile);
    return true;
}

// ---- The rule table

void Workbench::settle(Kind kind)
{
    switch (kind) {
    case Kind::NewMesh:
        clipCube.initCube(clipCubeEdge(mesh));
        ++clipChanges;
        [[fallthrough]];
    case Kind::NewGeometry: {
        classifier.reset();
        classifier.mesh = &mesh;
        shownPatch = -1;
        loadedTable.clear();
        mesh.selected = -1;
        traversal.segmentCount = 0;
        highlight.clear();
        // A new filter over the new faces; the profile is a setting and stays.
        MeanShiftFilter fresh(&mesh);
        fresh.setProfile(meanShift.profile, meanShift.profileHeight);
        fresh.weightMode = meanShift.weightMode;
        meanShift = std::move(fresh);
        faceColours = false;
        normalShading = false;
        break;
    }
    case Kind::Normals:
        normalShading = true;
        break;
    case Kind::Classification:
        faceColours = true;
        normalShading = false;
        shownPatch = -1;
        break;
    case Kind::Partition:
        faceColours = true;
        break;
    case Kind::Colouring:
        faceColours = false;
        break;
    case Kind::Pick:
        break;
    case Kind::Mark:
        highlight.clear();
        faceColours = true;
        break;
    }
}

// ---- History

Workbench::Snapshot Workbench::snapshot(bool wholeMesh) const
{
    Snapshot s;
    if (wholeMesh && options.keepHistory)
        s.mesh = mesh.duplicate();
    s.faceColours = faceColours;
    s.normalShading = normalShading;
    s.selected = mesh.selected;
    s.shownPatch = shownPatch;
    s.segmentCount = traversal.segmentCount;
    s.highlight = highlight;
    s.geometry = geometryId;
    return s;
}

void Workbench::exchange(Snapshot& s, unsigned& changes)
{
    changes |= ChangeDisplay | ChangeToolState | ChangeColours;
    if (s.mesh) {
        std::swap(mesh, *s.mesh);
        changes |= ChangeGeometry | ChangeNormals;
    } else {
        std::swap(mesh.selected, s.selected);
    }
    if (s.backup)
        std::swap(backupMesh, *s.backup);
    if (s.hasFile) {
        std::swap(fileName, s.fileName);
        std::swap(backupIsFile, s.backupIsFile);
        changes |= ChangeFile;
    }
    if (s.cube) {
        std::swap(clipCube, *s.cube);
        ++clipChanges;
        changes |= ChangeClipping | ChangeNewMesh;
    }
    std::swap(geometryId, s.geometry);
    if (s.classifier) {
        std::swap(static_cast<ClassifierState&>(classifier), *s.classifier);
        classifier.mesh = &mesh;
    }
    if (s.filter) {
        std::swap(meanShift, *s.filter);
        meanShift.mesh = &mesh;
    }
    // Parts kept for another mesh than this one are not applied.
    const std::size_t vertices = mesh.vertices.size();
    const std::size_t faces = mesh.faces.size();
    if (s.hasVertexColours && s.vertexColours.size() == vertices) {
        std::swap(mesh.vertexColours, s.vertexColours);
        std::swap(mesh.vertexColoursSet, s.vertexColoursSet);
    }
    if (s.hasVertexNormals && s.vertexNormals.size() == vertices) {
        std::swap(mesh.vertexNormals, s.vertexNormals);
        changes |= ChangeNormals;
    }
    if (s.hasFaceNormals && s.faceNormals.size() == faces) {
        for (std::size_t f = 0; f < s.faceNormals.size(); ++f)
            std::swap(mesh.faces[f].normal, s.faceNormals[f]);
        changes |= ChangeNormals;
    }
    if (s.hasFaceMarks && s.faceMarks.size() == faces) {
        for (std::size_t f = 0; f < s.faceMarks.size(); ++f) {
            Face& face = mesh.faces[f];
            std::swap(face.colour, s.faceMarks[f].colour);
            std::swap(face.traversed, s.faceMarks[f].traversed);
            std::swap(face.segment, s.faceMarks[f].segment);
        }
    }
    if (s.hasTraversed) {
        std::vector<std::pair<int, int>> now = Snapshot::flagged(mesh);
        for (const auto& [f, flag] : now)
            mesh.faces[std::size_t(f)].traversed = 0;
        for (const auto& [f, flag] : s.traversed) {
            if (std::size_t(f) < faces)
                mesh.faces[std::size_t(f)].traversed = flag;
        }
        s.traversed = std::move(now);
    }
    std::swap(faceColours, s.faceColours);
    std::swap(normalShading, s.normalShading);
    std::swap(shownPatch, s.shownPatch);
    std::swap(traversal.segmentCount, s.segmentCount);
    std::swap(highlight, s.highlight);
}

void Workbench::record(const std::string& name, const Step& step, Snapshot s, bool changesFile)
{
    if (changesFile)
        modified = changedSinceBackup = true;
    undoneSteps.clear();
    doneSteps.push_back(step);
    if (!options.keepHistory)
        return;
    const std::uint64_t bytes = s.bytes();
    const int dropped
        = history.push(makeEditStep(name, bytes, [this, kept = std::move(s)]() mutable {
              unsigned changes = 0;
              exchange(kept, changes);
              modified = changedSinceBackup = true;
              // Told once the history has moved the step, so that listeners
              // see the names Undo and Redo now take.
              exchangedChanges |= changes;
          }));
    if (dropped > 0) {
        status("Undo history full: the " + std::to_string(dropped)
            + (dropped == 1 ? " oldest step was dropped" : " oldest steps were dropped"));
    }
}

bool Workbench::undoStep()
{
    exchangedChanges = 0;
    if (running() || !history.undo())
        return false;
    if (!doneSteps.empty()) {
        undoneSteps.push_back(std::move(doneSteps.back()));
        doneSteps.pop_back();
    }
    notify(exchangedChanges | ChangeHistory | ChangeFile);
    return true;
}

bool Workbench::redoStep()
{
    exchangedChanges = 0;
    if (running() || !history.redo())
        return false;
    if (!undoneSteps.empty()) {
        doneSteps.push_back(std::move(undoneSteps.back()));
        undoneSteps.pop_back();
    }
    notify(exchangedChanges | ChangeHistory | ChangeFile);
    return true;
}

std::string Workbench::undoName() const
{
    return history.undoName();
}

std::string Workbench::redoName() const
{
    return history.redoName();
}

std::string Workbench::stepsScript() const
{
    std::string text = "# " + (openedFile.empty() ? std::string("(no file)") : openedFile) + "\n";
    for (const Step& step : doneSteps)
        text += step.text() + "\n";
    return text;
}

// ---- Steps

const std::vector<std::string>& Workbench::verbs()
{
    static const std::vector<std::string> list(
        std::begin(steps::verbNames), std::end(steps::verbNames));
    return list;
}

bool Workbench::checkStep(const Step& step, std::string& problem)
{
    Parsed p;
    return steps::read(step, p, problem);
}

bool Workbench::run(const Step& step, StepDone done)
{
    return runAt(step, std::move(done));
}

bool Workbench::runAt(const Step& step, StepDone done)
{
    const auto refuse = [&](const std::string& why) {
        if (done)
            done({ Outcome::Refused, why });
        return false;
    };
    if (running())
        return refuse("a tool is running: wait for it or cancel it");
    std::string problem;
    Parsed p;
    if (!steps::read(step, p, problem))
        return refuse(problem);
    return steps::isLong(p.verb) ? runLong(step, done) : runQuick(step, done);
}

void Workbench::runSteps(
    std::vector<Step> steps, std::function<void(const StepEnd&, std::size_t)> done)
{
    struct Chain
    {
        std::vector<Step> steps;
        std::size_t next = 0;
        std::function<void(const StepEnd&, std::size_t)> done;
        // While run() has not returned: a step that ends then lets the loop go
        // on rather than its callback, so a long script of quick steps does
        // not nest calls.
        bool inside = false;
        bool endedInside = false;
        bool over = false;
        StepEnd last;
    };
    auto chain = std::make_shared<Chain>();
    chain->steps = std::move(steps);
    chain->done = std::move(done);
    auto advance = std::make_shared<std::function<void()>>();
    *advance = [this, chain, advance] {
        while (!chain->over) {
            if (chain->next == chain->steps.size()) {
                chain->over = true;
                if (chain->done)
                    chain->done(chain->last, chain->steps.empty() ? 0 : chain->steps.size() - 1);
                break;
            }
            const std::size_t index = chain->next++;
            chain->inside = true;
            chain->endedInside = false;
            run(chain->steps[index], [chain, advance, index](const StepEnd& end) {
                chain->last = end;
                if (end.outcome != Outcome::Done) {
                    chain->over = true;
                    if (chain->done)
                        chain->done(end, index);
                    *advance = nullptr;
                } else if (chain->inside) {
                    chain->endedInside = true;
                } else if (*advance) {
                    // Through a copy: the chain may drop its own function.
                    const auto next = *advance;
                    next();
                }
            });
            chain->inside = false;
            if (!chain->over && !chain->endedInside)
                return; // ends later, on the runner's callback
        }
        // Break the cycle advance -> advance once the chain has ended.
        if (*advance)
            *advance = nullptr;
    };
    const auto start = *advance;
    start();
}

bool Workbench::runLong(const Step& step, StepDone& done)
{
    auto job = std::make_shared<Job>();
    std::string problem;
    steps::read(step, job->p, problem);
    const Parsed& p = job->p;
    job->resolved = step;
    ToolRun run;
    const auto end = [done](Outcome outcome, const std::string& message) {
        if (done)
            done({ outcome, message });
    };
    const auto abandon = [end](RunOutcome outcome) {
        if (outcome == RunOutcome::Failed)
            end(Outcome::Failed, "failed: see the console");
        else
            end(Outcome::Cancelled, "cancelled");
    };
    run.abandoned = abandon;

    switch (p.verb) {
    case Subdivide:
        run.name = "Subdivide";
        job->resolved.set("weight", stepNumber(p.weight));
        run.estimatedBytes = std::uint64_t(subdivisionBytes(mesh, p.levels));
        run.work = [this, job](Progress& progress) {
            // The refined mesh is built from the workbench's, which is only read.
            job->mesh = job->p.levels > 0 ? std::make_unique<Mesh>() : mesh.duplicate();
            Subdivider subdivider;
            if (!subdivideMesh(
                    mesh, *job->mesh, subdivider, job->p.levels, job->p.weight, &progress))
                return false;
            // The refined mesh carries no colours: show it as a mesh without them.
            paintDefaultColours(*job->mesh);
            buildLoadData(*job->mesh, &progress);
            return true;
        };
        break;
    case Simplify:
        run.name = "Simplify";
        run.work = [this, job](Progress& progress) {
            job->mesh = mesh.duplicate();
            if (!simplifyMesh(*job->mesh, job->p.lod, &progress, &job->stoppedAt))
                return false;
            paintDefaultColours(*job->mesh);
            buildLoadData(*job->mesh, &progress);
            return true;
        };
        break;
    case Filter:
    case FilterStep: {
        run.name = std::string(filterStepName(p.algorithm)) + (p.verb == FilterStep ? " Step" : "");
        // The settings the step runs with become the workbench's.
        filterSettings.slider = p.slider;
        filterSettings.algorithm = p.algorithm;
        if (p.hasProfile) {
            filterSettings.hasProfile = true;
            filterSettings.profile = p.profile;
            filterSettings.profileHeight = p.profileHeight;
            meanShift.setProfile(p.profile, p.profileHeight);
        } else if (filterSettings.hasProfile) {
            job->resolved.set("profile", profileText(filterSettings.profile));
            job->resolved.set("profile-height", stepNumber(filterSettings.profileHeight));
        }
        job->filter = std::make_unique<MeanShiftFilter>(meanShift);
        run.work = [this, job](Progress& progress) {
            job->mesh = mesh.duplicate();
            MeanShiftFilter& f = *job->filter;
            f.mesh = job->mesh.get();
            if (job->mesh->numVertices == 0)
                return false;
            const Vector kernel = kernelFromSlider(job->p.slider, *job->mesh);
            if (job->p.verb == FilterStep) {
                std::printf("Step\n");
                std::fflush(stdout);
                return f.run(kernel, FILTER_STEP, job->p.algorithm, &progress);
            }
            return f.run(kernel, FILTER_FULL, job->p.algorithm, &progress);
        };
        notify(ChangeToolState);
        break;
    }
    case Classify: {
        if (mesh.numVertices == 0) {
            end(Outcome::Refused, "no mesh to classify");
            return false;
        }
        run.name = "Classification";
        // What the step leaves out it runs with as set.
        if (!step.find("weight"))
            job->p.classifierWeight = classifierSettings.weight;
        if (!step.find("mode"))
            job->p.spMode = classifierSettings.spMode;
        classifierSettings.weight = p.classifierWeight;
        classifierSettings.spMode = p.spMode;
        job->resolved.set("weight", stepNumber(p.classifierWeight));
        job->resolved.set("mode", modeNames[p.spMode]);
        if (!p.table.empty()) {
            if (!loadTable(p.table)) {
                end(Outcome::Refused, "the table '" + p.table + "' was not loaded");
                return false;
            }
        } else if (!loadedTable.empty() && tableGeneration == geometryId) {
            // The distances came from a file: replaying reads it again.
            job->resolved.set("load-table", loadedTable);
        }
        // The table is lent to the run (it cannot be copied) and handed back
        // at its end; a run that would have filled it anew and did not end
        // leaves it to be filled again.
        Mesh_Classifier& live = classifier;
        live.mesh = &mesh;
        live.weight = p.classifierWeight;
        live.spMode = p.spMode;
        const bool tableBuilt = live.tableWillBeBuilt();
        job->classifier.copyAllButTable(live);
        job->classifier.table = std::move(live.table);
        if (tableBuilt) {
            run.estimatedBytes
                = std::uint64_t(ShortestPathTable::entriesFor(mesh.numFaces)) * sizeof(float);
        }
        run.work = [this, job](Progress& progress) {
            job->mesh = mesh.duplicate();
            Mesh_Classifier& c = job->classifier;
            if (!c.classifyMesh(*job->mesh, &progress))
                return false;
            // The page answers a classification with a re-partition into the
            // count found (or the one asked for).
            const int n
                = std::min(job->p.patches > 0 ? job->p.patches : c.numPatches, int(c.seeds.size()));
            c.progress = &progress;
            job->partitioned = n >= 1 && c.partition(n) ? n : 0;
            c.progress = nullptr;
            return true;
        };
        run.abandoned = [this, job, tableBuilt, abandon](RunOutcome outcome) {
            classifier.table = std::move(job->classifier.table);
            if (tableBuilt)
                classifier.rebuild = 1;
            abandon(outcome);
        };
        notify(ChangeToolState);
        break;
    }
    case Terrain: {
        run.name = "Terrain";
        if (p.heightMapFile.empty()) {
            job->heightMap = HeightMap::black();
        } else {
            std::string why;
            if (!heightMapReader) {
                end(Outcome::Refused, "no height-map reader");
                return false;
            }
            if (!heightMapReader(p.heightMapFile, job->heightMap, why)) {
                end(Outcome::Refused, "cannot read '" + p.heightMapFile + "': " + why);
                return false;
            }
        }
        const double n = p.terrain.gridResolution;
        run.estimatedBytes = std::uint64_t(meshBytesFor(2.0 * (n - 1) * (n - 1), n * n));
        run.work = [job](Progress& progress) {
            job->mesh = std::make_unique<Mesh>();
            if (!buildTerrainMesh(*job->mesh, job->heightMap, job->p.terrain, &progress))
                return false;
            buildLoadData(*job->mesh, &progress);
            return true;
        };
        break;
    }
    default:
        return false;
    }

    run.finish = [this, job, end](bool ok) {
        const Parsed& q = job->p;
        const std::string name = q.verb == Classify ? "Classification"
            : q.verb == Filter || q.verb == FilterStep
            ? std::string(filterStepName(q.algorithm)) + (q.verb == FilterStep ? " Step" : "")
            : q.verb == Subdivide ? "Subdivide"
            : q.verb == Simplify  ? "Simplify"
                                  : "Terrain";
        if (q.verb == Classify) {
            if (!ok) {
                // Nothing changed but the table.
                classifier.table = std::move(job->classifier.table);
                status("Classification refused: see the console");
                end(Outcome::Refused, "the mesh was not classified");
                return;
            }
            // The run's copy differs from the mesh in its face colours and its
            // normals, built again; the step keeps those of the mesh it replaces.
            Snapshot before = snapshot(false);
            std::swap(mesh, *job->mesh);
            before.keepFaceMarks(*job->mesh);
            before.keepFaceNormals(*job->mesh);
            before.hasVertexNormals = true;
            before.vertexNormals = std::move(job->mesh->vertexNormals);
            before.classifier = std::make_unique<ClassifierState>(classifier);
            classifier.table = std::move(job->classifier.table);
            static_cast<ClassifierState&>(classifier) = std::move(job->classifier);
            classifier.mesh = &mesh;
            classifier.progress = nullptr;
            tableGeneration = geometryId;
            settle(Kind::Classification);
            record(name, job->resolved, std::move(before), true);
            notify(ChangeColours | ChangeNormals | ChangeDisplay | ChangeToolState | ChangeHistory
                | ChangeFile);
            end(Outcome::Done, {});
            return;
        }
        if (q.verb == Filter || q.verb == FilterStep) {
            // A run that wrote nothing may still have kept its kernel and algorithm.
            Snapshot before = snapshot(false);
            before.filter = std::make_unique<MeanShiftFilter>(std::move(meanShift));
            meanShift = std::move(*job->filter);
            meanShift.mesh = &mesh;
            if (!ok) {
                notify(ChangeToolState);
                end(Outcome::Refused,
                    q.slider == 0.0f ? "a radius of 0 is refused: nothing to filter"
                                     : "the normals were not filtered");
                return;
            }
            before.keepFaceNormals(mesh);
            for (std::size_t f = 0; f < mesh.faces.size(); ++f)
                mesh.faces[f].normal = job->mesh->faces[f].normal;
            settle(Kind::Normals);
            record(name, job->resolved, std::move(before), true);
            notify(ChangeNormals | ChangeDisplay | ChangeToolState | ChangeHistory | ChangeFile);
            end(Outcome::Done, {});
            return;
        }
        if (!ok) {
            status(q.verb == Subdivide   ? "Subdivision refused: see the console"
                    : q.verb == Simplify ? "Simplification failed: see the console"
                                         : "Terrain not built: see the console");
            end(Outcome::Refused, "the step did not run: see the console");
            return;
        }
        // Subdivide, simplify and terrain: the run's mesh takes the place of
        // the workbench's, which the step keeps with every state the new mesh
        // clears.
        Snapshot before = snapshot(false);
        before.mesh = std::move(job->mesh);
        std::swap(mesh, *before.mesh);
        before.classifier = std::make_unique<ClassifierState>(std::move(classifier));
        before.filter = std::make_unique<MeanShiftFilter>(std::move(meanShift));
        meanShift.mesh = &mesh;
        meanShift.setProfile(before.filter->profile, before.filter->profileHeight);
        meanShift.weightMode = before.filter->weightMode;
        ++geometryId;
        unsigned changes = ChangeGeometry | ChangeColours | ChangeNormals | ChangeDisplay
            | ChangeToolState | ChangeHistory | ChangeFile;
        if (q.verb == Terrain) {
            before.backup = std::make_unique<Mesh>();
            std::swap(backupMesh, *before.backup);
            if (options.keepBackup)
                copyAsRead(backupMesh, mesh);
            before.cube = std::make_unique<PlaneWidgetInCube>(clipCube);
            before.hasFile = true;
            before.fileName = fileName;
            before.backupIsFile = backupIsFile;
            settle(Kind::NewMesh);
            changes |= ChangeNewMesh | ChangeClipping;
            // A terrain is no file's mesh until it is saved.
            fileName.clear();
            backupIsFile = false;
        } else {
            settle(Kind::NewGeometry);
        }
        if (!options.keepHistory)
            before = Snapshot();
        record(name, job->resolved, std::move(before), true);
        notify(changes);
        if (job->stoppedAt >= 0) {
            const std::string message = foldStopMessage(job->stoppedAt);
            std::printf("%s\n", message.c_str());
            std::fflush(stdout);
            status(message);
        }
        end(Outcome::Done, {});
    };
    if (!activeRunner->start(std::move(run))) {
        // The runner said why (a run is going, or the user declined).
        if (done)
            done({ Outcome::Refused, "not run" });
        return false;
    }
    return true;
}

bool Workbench::runQuick(const Step& step, StepDone& done)
{
    Parsed p;
    std::string problem;
    steps::read(step, p, problem);
    const auto end = [&](Outcome outcome, const std::string& message) {
        if (done)
            done({ outcome, message });
        return outcome == Outcome::Done;
    };
    const auto refuse = [&](const std::string& why) { return end(Outcome::Refused, why); };
    Step resolved = step;

    switch (p.verb) {
    case Repartition: {
        if (classifier.seeds.empty() || tableGeneration != geometryId
            || classifier.table.count != mesh.numFaces)
            return refuse("no classification of this mesh to re-partition");
        const int n = std::min(p.patches, int(classifier.seeds.size()));
        Snapshot before = snapshot(false);
        before.keepFaceMarks(mesh);
        before.classifier = std::make_unique<ClassifierState>(classifier);
        if (!classifier.partition(n))
            return refuse("the faces were not re-partitioned");
        shownPatch = std::min(shownPatch, n - 1);
        settle(Kind::Partition);
        record("Re-partition", resolved, std::move(before), true);
        notify(ChangeColours | ChangeDisplay | ChangeToolState | ChangeHistory | ChangeFile);
        return end(Outcome::Done, {});
    }
    case Pick:
    case Traverse: {
        if (mesh.numFaces <= 0)
            return refuse("no mesh to pick from");
        if (p.face > mesh.numFaces) {
            return refuse("face " + std::to_string(p.face) + " is not in the mesh ("
                + std::to_string(mesh.numFaces) + " faces)");
        }
        Snapshot before = snapshot(false);
        before.keepTraversed(mesh);
        if (p.face > 0)
            mesh.selected = p.face;
        if (p.verb == Pick && !step.find("depth"))
            p.depth = traversal.depth;
        if (p.verb == Pick && !step.find("angle"))
            p.angle = traversal.angle;
        if (!traversalAllowed(mesh))
            return refuse("no face picked");
        traversal.run(p.depth, p.angle);
        highlight.clear();
        for (int f = 0; f < mesh.numFaces; ++f) {
            if (mesh.faces[std::size_t(f)].traversed == 1)
                highlight.push_back(f);
        }
        resolved.set("face", stepNumber(mesh.selected));
        resolved.set("depth", stepNumber(p.depth));
        resolved.set("angle", stepNumber(p.angle));
        settle(Kind::Pick);
        record(p.verb == Pick ? "Pick" : "Edge Traversal", resolved, std::move(before), false);
        notify(ChangeColours | ChangeToolState | ChangeHistory);
        return end(Outcome::Done, {});
    }
    case Mark: {
        if (!traversalAllowed(mesh))
            return refuse("no face picked, nothing marked");
        const int hue = p.hasHue  ? p.hue
            : traversal.randomHue ? traversal.randomHue()
                                  : std::rand() % 32768;
        resolved.set("hue", stepNumber(hue));
        Snapshot before = snapshot(false);
        before.keepFaceMarks(mesh);
        auto source = std::move(traversal.randomHue);
        traversal.randomHue = [hue] { return hue; };
        traversal.markCurrent();
        traversal.randomHue = std::move(source);
        settle(Kind::Mark);
        record("Mark Segment", resolved, std::move(before), true);
        notify(ChangeColours | ChangeDisplay | ChangeToolState | ChangeHistory | ChangeFile);
        return end(Outcome::Done, {});
    }
    case Morphogens:
    case HeightColours: {
        MorphogenSetting setting = p.morphogens;
        if (p.verb == Morphogens && !p.settingsFile.empty()) {
            // A settings file applies over the page as a new mesh leaves it: one
            // row per name, no colours, all off, black base, additive.
            setting = {};
            setting.colours.assign(mesh.morphogenNames.size(), MorphogenRgb());
            setting.toggles.assign(mesh.morphogenNames.size(), 0);
            std::string why;
            if (!readMorphogenSetting(p.settingsFile, setting, &why))
                return refuse("'" + p.settingsFile + "' was not applied: " + why);
        }
        Snapshot before = snapshot(false);
        before.hasVertexColours = true;
        before.vertexColours = mesh.vertexColours;
        before.vertexColoursSet = mesh.vertexColoursSet;
        if (p.verb == Morphogens) {
            colourByMorphogens(mesh, setting);
        } else {
            if (!step.find("use-stops"))
                p.useStops = useColourStops;
            resolved.set("use-stops", p.useStops ? "1" : "0");
            useColourStops = p.useStops;
            colourByHeight(mesh, p.stops, p.useStops);
            mesh.vertexColoursSet = true;
        }
        settle(Kind::Colouring);
        record(p.verb == Morphogens ? "Morphogen Colours" : "Height Colours", resolved,
            std::move(before), true);
        notify(ChangeColours | ChangeDisplay | ChangeToolState | ChangeHistory | ChangeFile);
        return end(Outcome::Done, {});
    }
    case Reload: {
        if (!options.keepBackup)
            return refuse("no backup of the mesh as read is kept");
        Snapshot before = snapshot(true);
        if (options.keepHistory) {
            before.classifier = std::make_unique<ClassifierState>(classifier);
            before.filter = std::make_unique<MeanShiftFilter>(meanShift);
        }
        copyAsRead(mesh, backupMesh);
        buildLoadData(mesh);
        ++geometryId;
        settle(Kind::NewGeometry);
        changedSinceBackup = false;
        record("Reload", resolved, std::move(before), false);
        modified = !backupIsFile;
        notify(ChangeGeometry | ChangeColours | ChangeNormals | ChangeDisplay | ChangeToolState
            | ChangeHistory | ChangeFile);
        return end(Outcome::Done, {});
    }
    case Undo:
    case Redo:
        if (!(p.verb == Undo ? undoStep() : redoStep()))
            return refuse(p.verb == Undo ? "nothing to undo" : "nothing to redo");
        return end(Outcome::Done, {});
    case Save:
        return save(p.path, activeRunner->reportTo())
            ? end(Outcome::Done, {})
            : end(Outcome::Failed, "cannot write '" + p.path + "'");
    case SaveNormals:
        return saveNormals(p.path, activeRunner->reportTo())
            ? end(Outcome::Done, {})
            : end(Outcome::Failed, "cannot write '" + p.path + "'");
    case SaveTable:
        if (classifier.table.empty())
            return refuse("no shortest-path table to save");
        return classifier.save(p.path) ? end(Outcome::Done, {})
                                       : end(Outcome::Failed, "cannot write '" + p.path + "'");
    case SaveSegments: {
        std::error_code error;
        std::filesystem::create_directories(p.path, error);
        if (!std::filesystem::is_directory(p.path, error))
            return end(Outcome::Failed, "cannot use '" + p.path + "' as the output folder");
        const SegmentExportReport report = saveSegments(p.path);
        if (!report.failed.empty()) {
            return end(Outcome::Failed,
                std::to_string(report.failed.size()) + " export file(s) could not be written");
        }
        return end(Outcome::Done, {});
    }
    default:
        return refuse("not a quick step");
    }
}

// ---- Settings

void Workbench::setClassifierWeight(double weight)
{
    classifierSettings.weight = weight;
    notify(ChangeToolState);
}

void Workbench::setSpMode(int mode)
{
    classifierSettings.spMode = mode == 0 ? 0 : 1;
    notify(ChangeToolState);
}

void Workbench::browsePatch(int patch)
{
    shownPatch = patch;
    notify(ChangeToolState);
}

void Workbench::setPatchThreshold(int percent)
{
    patchThreshold = percent;
    notify(ChangeToolState);
}

void Workbench::setFilterKernel(float slider, int algorithm)
{
    filterSettings.slider = slider;
    filterSettings.algorithm = algorithm;
    // The sphere shows the kernel where the current region stands.
    if (mesh.numVertices > 0 && !running()) {
        meanShift.radius = kernelFromSlider(slider, mesh);
        meanShift.algorithm = algorithm;
    }
    notify(ChangeToolState);
}

void Workbench::setFilterProfile(const std::vector<Vector>& samples, int height)
{
    filterSettings.hasProfile = true;
    filterSettings.profile = samples;
    filterSettings.profileHeight = height;
    if (!running())
        meanShift.setProfile(samples, height);
    notify(ChangeToolState);
}

void Workbench::setUseColourStops(bool on)
{
    useColourStops = on;
    notify(ChangeToolState);
}

bool Workbench::loadTable(const std::string& path)
{
    if (running() || mesh.numFaces <= 0)
        return false;
    classifier.mesh = &mesh;
    const bool ok = classifier.load(path);
    if (ok) {
        loadedTable = path;
        tableGeneration = geometryId;
    }
    notify(ChangeToolState);
    return ok;
}

bool Workbench::saveTable(const std::string& path)
{
    if (running() || mesh.numFaces <= 0)
        return false;
    return classifier.save(path);
}

void Workbench::showFaceColours(bool on)
{
    if (faceColours == on)
        return;
    faceColours = on;
    notify(ChangeDisplay);
}

// ---- Clipping

void Workbench::selectPlane(int plane)
{
    clipCube.selectPlane(plane);
    ++clipChanges;
    notify(ChangeClipping);
}

void Workbench::invertPlanes(int value)
{
    clipCube.invert = value;
    if (value == 1)
        clipCube.showAll = 1;
    else if (value == 0)
        clipCube.showAll = 0;
    ++clipChanges;
    notify(ChangeClipping);
}

void Workbench::showAllPlanes(int value)
{
    clipCube.showAll = value;
    clipCube.rebuildOutlines();
    ++clipChanges;
    notify(ChangeClipping);
}

void Workbench::resetAllPlanes()
{
    clipCube.resetAll();
    ++clipChanges;
    notify(ChangeClipping);
}

void Workbench::resetCurrentPlane()
{
    clipCube.resetCurrent();
    ++clipChanges;
    notify(ChangeClipping);
}

bool Workbench::loadPlanes(const std::string& path)
{
    const bool ok = clipCube.load(path);
    std::fflush(stdout);
    ++clipChanges;
    notify(ChangeClipping);
    return ok;
}

bool Workbench::savePlanes(const std::string& path) const
{
    const bool ok = clipCube.save(path);
    std::fflush(stdout);
    return ok;
}

void Workbench::pressPlanes(const Vector& position, int code)
{
    clipCube.pressPlanes(position, code);
}

void Workbench::dragPlanes(const Vector& position)
{
    clipCube.dragPlanes(position);
    ++clipChanges;
    notify(ChangeClipping);
}

void Workbench::releasePlanes()
{
    clipCube.releasePlanes();
}

// ---- Outputs

SegmentExportReport Workbench::saveSegments(const std::string& directory) const
{
    return writeSegmentFiles(mesh, traversal.segmentCount, directory);
}

bool Workbench::saveNormals(const std::string& path, Progress* progress) const
{
    std::string text;
    text.reserve(std::size_t(std::max(mesh.numFaces, 0)) * 40);
    char line[96];
    for (int f = 0; f < mesh.numFaces; ++f) {
        if (progress && (f & 16383) == 0)
            progress->checkStop();
        const Vector& n = mesh.faces[std::size_t(f)].normal;
        // Nine significant digits: a float read back is the same float.
        const int length = std::snprintf(
            line, sizeof line, "%.9g %.9g %.9g\n", double(n.x), double(n.y), double(n.z));
        text.append(line, std::size_t(length));
    }
    return writeFileReplacing(path, text, progress);
}

// ---- Script names

std::string meshStem(const std::string& path)
{
    std::string name = std::filesystem::path(path).filename().string();
    const std::size_t dot = name.find('.', 1);
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string stepOutputPath(
    const std::string& name, const std::string& stem, const std::string& folder)
{
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        if (name.compare(i, 6, "{name}") == 0) {
            out += stem;
            i += 6;
        } else {
            out += name[i++];
        }
    }
    if (folder.empty() || std::filesystem::path(out).is_absolute())
        return out;
    return (std::filesystem::path(folder) / out).string();
}
