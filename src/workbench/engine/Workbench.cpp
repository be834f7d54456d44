#include "workbench/engine/Workbench.h"

#include "workbench/engine/StepParameters.h"
#include "workbench/engine/WorkbenchParts.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteMeshFile.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
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

using namespace workbench_parts;
using Parsed = steps::Parameters;

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
    // A listener may remove itself while being told: they are told from a copy.
    decltype(listeners) current;
    try {
        current = listeners;
    } catch (const std::bad_alloc&) {
        // The change is made: it is told even without memory for the copy,
        // one listener after another while each is still there.
        for (std::size_t k = 0; k < listeners.size(); ++k) {
            const Listener listener = listeners[k].second; // held while it runs
            listener(changes);
        }
        return;
    }
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
    const auto refuse = [problem](const std::string& why) {
        if (problem)
            *problem = why;
        return false;
    };
    if (running())
        return refuse("a tool is still running");
    Mesh fresh;
    // A runner that runs at once may still be asked to stop (Ctrl+C in the
    // batch tool) through its progress.
    try {
        if (!openMeshFile(fresh, path, nullptr, problem, activeRunner->reportTo()))
            return false;
        takeOpenedMesh(fresh, path);
    } catch (const std::bad_alloc&) {
        return refuse(path + ": " + memoryMessage("reading it"));
    }
    return true;
}

void Workbench::open(const std::string& path, StepDone done)
{
    const auto end = [done](Outcome outcome, const std::string& message) {
        if (done)
            done({ outcome, message });
    };
    if (running())
        return end(Outcome::Refused, "a tool is running: wait for it or cancel it");
    struct Read
    {
        Mesh mesh;
        std::string problem;
        bool ok = false;
    };
    auto read = std::make_shared<Read>();
    ToolRun run;
    run.name = "Open";
    run.work = [read, path](Progress& progress) {
        progress.report("Reading " + path.substr(path.find_last_of('/') + 1), 0.0);
        read->ok = openMeshFile(read->mesh, path, nullptr, &read->problem, &progress);
        return read->ok;
    };
    run.finish = [this, read, path, end](bool ok) {
        if (!ok) {
            // The console has the reason too, as a read at start-up gives it.
            const std::string why
                = read->problem.empty() ? path + " could not be read" : read->problem;
            std::fflush(stdout);
            std::fprintf(stderr, "%s\n", why.c_str());
            return end(Outcome::Failed, why);
        }
        try {
            takeOpenedMesh(read->mesh, path);
        } catch (const std::bad_alloc&) {
            return end(Outcome::Failed, path + ": " + memoryMessage("reading it"));
        }
        end(Outcome::Done, {});
    };
    run.abandoned = [end, path](RunOutcome outcome) {
        end(outcome == RunOutcome::Cancelled ? Outcome::Cancelled : Outcome::Failed,
            outcome == RunOutcome::Cancelled ? "the read of " + path + " was cancelled"
                                             : path + ": " + memoryMessage("reading it"));
    };
    if (!activeRunner->start(std::move(run)))
        end(Outcome::Refused, "not read");
}

void Workbench::takeOpenedMesh(Mesh& fresh, const std::string& path)
{
    // The copies first: running out of memory for them changes nothing.
    std::string name = path, opened = path;
    std::vector<std::uint64_t> states(1);
    takeNewMesh(fresh);
    fileName.swap(name);
    openedFile.swap(opened);
    untitledName.clear();
    meshState = backupState = newMeshState();
    states[0] = meshState;
    fileStates.swap(states);
    history.clear();
    doneSteps.clear();
    undoneSteps.clear();
    notify(ChangeNewMesh | ChangeGeometry | ChangeColours | ChangeNormals | ChangeDisplay
        | ChangeToolState | ChangeClipping | ChangeHistory | ChangeFile);
}

void Workbench::adoptMesh(Mesh& fresh, const std::string& name)
{
    buildLoadData(fresh);
    takeNewMesh(fresh);
    fresh = Mesh();
    fileName.clear();
    openedFile.clear();
    untitledName = name;
    meshState = backupState = newMeshState();
    fileStates.clear();
    history.clear();
    doneSteps.clear();
    undoneSteps.clear();
    notify(ChangeNewMesh | ChangeGeometry | ChangeColours | ChangeNormals | ChangeDisplay
        | ChangeToolState | ChangeClipping | ChangeHistory | ChangeFile);
}

void Workbench::takeNewMesh(Mesh& fresh)
{
    // The backup is copied before the mesh changes hands, so that memory
    // running out (a bad_alloc, or a copy that came out short) changes nothing.
    Mesh backup;
    if (options.keepBackup && !copyAsRead(backup, fresh))
        throw std::bad_alloc();
    std::swap(mesh, fresh);
    if (options.keepBackup)
        std::swap(backupMesh, backup);
    ++geometryId;
    try {
        settle(Kind::NewMesh);
    } catch (const std::bad_alloc&) {
        // settle() takes its memory before it changes anything.
        std::swap(mesh, fresh);
        if (options.keepBackup)
            std::swap(backupMesh, backup);
        --geometryId;
        throw;
    }
}

bool Workbench::save(const std::string& path, Progress* progress, MeshWriteReport* report)
{
    if (!writeMeshFile(mesh, path, mesh.vertexColoursSet, progress, report))
        return false;
    fileName = path;
    untitledName.clear();
    fileStates = { meshState };
    notify(ChangeFile);
    return true;
}

bool Workbench::isModified() const
{
    return std::find(fileStates.begin(), fileStates.end(), meshState) == fileStates.end();
}

std::string Workbench::documentName() const
{
    if (!fileName.empty())
        return fileName.substr(fileName.find_last_of('/') + 1);
    return untitledName.empty() ? std::string("untitled") : untitledName;
}

// ---- The rule table

void Workbench::settle(Kind kind)
{
    switch (kind) {
    case Kind::NewMesh:
    case Kind::NewGeometry: {
        // What takes memory is built before anything is reset, so that memory
        // running out leaves the state as it was. A new filter over the new
        // faces; the profile is a setting and stays.
        MeanShiftFilter fresh(&mesh);
        fresh.setProfile(meanShift.profile, meanShift.profileHeight);
        fresh.weightMode = meanShift.weightMode;
        if (kind == Kind::NewMesh) {
            PlaneWidgetInCube cube = clipCube;
            cube.initCube(clipCubeEdge(mesh));
            std::swap(clipCube, cube);
            ++clipChanges;
        }
        classifier.reset();
        classifier.mesh = &mesh;
        shownPatch = -1;
        loadedTable.clear();
        mesh.selected = -1;
        traversal.segmentCount = 0;
        highlight.clear();
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
    s.meshState = meshState;
    return s;
}

void Workbench::exchange(Snapshot& s, unsigned& changes)
{
    // The one part that takes memory, taken before anything is exchanged: the
    // flags of the mesh the workbench will hold once the meshes are swapped.
    std::vector<std::pair<int, int>> now;
    if (s.hasTraversed)
        now = Snapshot::flagged(s.mesh ? *s.mesh : mesh);
    changes |= ChangeDisplay | ChangeToolState | ChangeColours;
    if (s.mesh) {
        std::swap(mesh, *s.mesh);
        changes |= ChangeGeometry | ChangeNormals;
    } else {
        std::swap(mesh.selected, s.selected);
    }
    if (s.backup) {
        std::swap(backupMesh, *s.backup);
        std::swap(backupState, s.backupState);
    }
    if (s.hasFile) {
        std::swap(fileName, s.fileName);
        std::swap(untitledName, s.untitledName);
        std::swap(fileStates, s.fileStates);
    }
    std::swap(meshState, s.meshState);
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
    const auto fits = [faces](const auto& marks) { return marks.empty() || marks.size() == faces; };
    if (s.hasFaceMarks && fits(s.faceColourMarks) && fits(s.faceTraversedMarks)
        && fits(s.faceSegmentMarks)) {
        std::swap(mesh.faceColours, s.faceColourMarks);
        std::swap(mesh.faceTraversed, s.faceTraversedMarks);
        std::swap(mesh.faceSegments, s.faceSegmentMarks);
    }
    if (s.hasTraversed) {
        for (const auto& [f, flag] : now)
            mesh.faceTraversed[std::size_t(f)] = 0;
        for (const auto& [f, flag] : s.traversed) {
            if (std::size_t(f) < faces)
                mesh.traversedOf(std::size_t(f)) = flag;
        }
        s.traversed = std::move(now);
    }
    std::swap(faceColours, s.faceColours);
    std::swap(normalShading, s.normalShading);
    std::swap(shownPatch, s.shownPatch);
    std::swap(traversal.segmentCount, s.segmentCount);
    std::swap(highlight, s.highlight);
}

void Workbench::record(const std::string& name, const Step& step, Snapshot& s, bool changesFile)
{
    // What takes memory comes first, so that running out changes nothing.
    Step kept = step;
    doneSteps.reserve(doneSteps.size() + 1);
    int dropped = 0;
    if (options.keepHistory) {
        const std::uint64_t bytes = s.bytes();
        auto held = std::make_shared<Snapshot>(std::move(s));
        try {
            dropped = history.push(makeEditStep(name, bytes, [this, held] {
                unsigned changes = 0;
                exchange(*held, changes);
                // Told once the history has moved the step, so that listeners
                // see the names Undo and Redo now take.
                exchangedChanges |= changes;
            }));
        } catch (const std::bad_alloc&) {
            s = std::move(*held);
            throw;
        }
    }
    if (changesFile)
        meshState = newMeshState();
    undoneSteps.clear();
    doneSteps.push_back(std::move(kept));
    if (dropped > 0) {
        status("Undo history full: the " + std::to_string(dropped)
            + (dropped == 1 ? " oldest step was dropped" : " oldest steps were dropped"));
    }
}

bool Workbench::undoStep()
{
    exchangedChanges = 0;
    undoneSteps.reserve(undoneSteps.size() + 1);
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
    doneSteps.reserve(doneSteps.size() + 1);
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
    // Memory running out while a step is prepared or applied (a quick step, or
    // a long one with the runner that runs at once) fails the step; the parts
    // that build something large build it aside, so the state stays as it was.
    std::shared_ptr<bool> told;
    try {
        told = std::make_shared<bool>(false);
        return runAt(step, [done, told](const StepEnd& end) {
            *told = true;
            if (done)
                done(end);
        });
    } catch (const std::bad_alloc&) {
        if (!(told && *told) && done)
            done({ Outcome::Failed, memoryMessage(step.verb) });
        return false;
    }
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
