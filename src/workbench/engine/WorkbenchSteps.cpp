// The steps themselves: what each verb does, through the runner for the long
// ones, and how its result is applied by the rule table.
#include "workbench/engine/Workbench.h"

#include "workbench/engine/StepParameters.h"
#include "workbench/engine/WorkbenchParts.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/MemoryInfo.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/Refusal.h"
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
#include <new>
#include <utility>

using namespace steps;
using namespace workbench_parts;
using Parsed = steps::Parameters;

namespace {

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
    // Why the engine declined the work, when it did.
    std::string reason;
    // The run's name, for the words of a failure.
    std::string name;
    // done has been told how the step ended.
    bool ended = false;
};

template <class Change> void Workbench::applyOrRestore(Snapshot& before, Change change)
{
    try {
        change();
    } catch (const std::bad_alloc&) {
        unsigned changes = 0;
        exchange(before, changes);
        throw;
    }
}

bool Workbench::runLong(const Step& step, StepDone& done)
{
    auto job = std::make_shared<Job>();
    std::string problem;
    steps::read(step, job->p, problem);
    const Parsed& p = job->p;
    job->resolved = step;
    ToolRun run;
    const auto end
        = [done, job](Outcome outcome, const std::string& message, bool needsUser = false) {
              job->ended = true;
              if (done)
                  done({ outcome, message, needsUser });
          };
    const auto abandon = [end, job](RunOutcome outcome) {
        if (outcome != RunOutcome::Failed)
            end(Outcome::Cancelled, "cancelled");
        else if (job->reason == outOfMemoryReason)
            end(Outcome::Failed, memoryMessage(job->name));
        else
            end(Outcome::Failed, "failed: " + (job->reason.empty() ? "an error" : job->reason));
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
            {
                // Its edge table of the last level goes before the builds below.
                Subdivider subdivider;
                if (!subdivideMesh(mesh, *job->mesh, subdivider, job->p.levels, job->p.weight,
                        &progress, false))
                    return false;
            }
            releaseFreedMemory();
            // The refined mesh carries no colours: show it as a mesh without them.
            paintDefaultColours(*job->mesh);
            buildLoadData(*job->mesh, &progress);
            return true;
        };
        break;
    case Simplify:
        run.name = "Simplify";
        run.work = [this, job](Progress& progress) {
            // The survivors are read from the workbench's mesh: no copy of it.
            job->mesh = std::make_unique<Mesh>();
            if (!simplifyMeshInto(mesh, *job->mesh, job->p.lod, &progress, &job->stoppedAt, false))
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
                const std::string why = takeRefusal();
                end(Outcome::Refused,
                    "the table '" + p.table + "' was not loaded" + (why.empty() ? "" : ": " + why),
                    true);
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

    job->name = run.name;
    // An engine that declines says why; the reason goes to the user.
    run.work = [job, work = std::move(run.work)](Progress& progress) {
        takeRefusal();
        const bool ok = workKeepingReason(work, progress, job->reason);
        if (!ok)
            job->reason = takeRefusal();
        return ok;
    };
    run.finish = [this, job, end, name = run.name](bool ok) {
        const Parsed& q = job->p;
        if (q.verb == Classify) {
            if (!ok) {
                // Nothing changed but the table.
                classifier.table = std::move(job->classifier.table);
                const std::string why
                    = job->reason.empty() ? "the mesh was not classified" : job->reason;
                status(why);
                end(Outcome::Refused, why, true);
                return;
            }
            // The run's copy differs from the mesh in its face colours and its
            // normals, built again; the step keeps those of the mesh it replaces.
            // What takes memory is taken before anything changes.
            Snapshot before = snapshot(false);
            before.keepFaceMarks(mesh);
            before.keepFaceNormals(mesh);
            before.classifier = std::make_unique<ClassifierState>(classifier);
            applyOrRestore(before, [&] {
                std::swap(mesh, *job->mesh);
                before.hasVertexNormals = true;
                before.vertexNormals = std::move(job->mesh->vertexNormals);
                classifier.table = std::move(job->classifier.table);
                static_cast<ClassifierState&>(classifier) = std::move(job->classifier);
                classifier.mesh = &mesh;
                classifier.progress = nullptr;
                settle(Kind::Classification);
                record(name, job->resolved, before, true);
            });
            tableGeneration = geometryId;
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
                    q.slider == 0.0f          ? "a radius of 0 is refused: nothing to filter"
                        : job->reason.empty() ? "the normals were not filtered"
                                              : job->reason,
                    !job->reason.empty());
                return;
            }
            applyOrRestore(before, [&] {
                before.keepFaceNormals(mesh);
                for (std::size_t f = 0; f < mesh.faces.size(); ++f)
                    mesh.faces[f].normal = job->mesh->faces[f].normal;
                settle(Kind::Normals);
                record(name, job->resolved, before, true);
            });
            notify(ChangeNormals | ChangeDisplay | ChangeToolState | ChangeHistory | ChangeFile);
            end(Outcome::Done, {});
            return;
        }
        if (!ok) {
            const std::string why = !job->reason.empty() ? job->reason
                : q.verb == Subdivide                    ? "Subdivision refused"
                : q.verb == Simplify                     ? "Simplification failed"
                                                         : "Terrain not built";
            status(why);
            end(Outcome::Refused, why, true);
            return;
        }
        // Subdivide, simplify and terrain: the run's mesh takes the place of
        // the workbench's, which the step keeps with every state the new mesh
        // clears.
        Snapshot before = snapshot(false);
        applyOrRestore(before, [&] {
            before.mesh = std::move(job->mesh);
            std::swap(mesh, *before.mesh);
            before.classifier = std::make_unique<ClassifierState>(std::move(classifier));
            before.filter = std::make_unique<MeanShiftFilter>(std::move(meanShift));
            meanShift.mesh = &mesh;
            meanShift.setProfile(before.filter->profile, before.filter->profileHeight);
            meanShift.weightMode = before.filter->weightMode;
            ++geometryId;
            if (q.verb == Terrain) {
                // Each part is complete before it is marked as held.
                before.fileName = fileName;
                before.untitledName = untitledName;
                before.fileStates = fileStates;
                before.hasFile = true;
                before.cube = std::make_unique<PlaneWidgetInCube>(clipCube);
                before.backupState = backupState;
                before.backup = std::make_unique<Mesh>();
                std::swap(backupMesh, *before.backup);
                // A short copy would be reloaded as the terrain.
                if (options.keepBackup && !copyAsRead(backupMesh, mesh))
                    throw std::bad_alloc();
                settle(Kind::NewMesh);
                // A terrain is no file's mesh until it is saved.
                fileName.clear();
                untitledName = "terrain";
                fileStates.clear();
            } else {
                settle(Kind::NewGeometry);
            }
            record(name, job->resolved, before, true);
        });
        if (!options.keepHistory)
            before = Snapshot();
        unsigned changes = ChangeGeometry | ChangeColours | ChangeNormals | ChangeDisplay
            | ChangeToolState | ChangeHistory | ChangeFile;
        if (q.verb == Terrain)
            changes |= ChangeNewMesh | ChangeClipping;
        // The terrain is its own backup: reload brings back this state.
        if (q.verb == Terrain)
            backupState = meshState;
        notify(changes);
        if (job->stoppedAt >= 0) {
            const std::string message = foldStopMessage(job->stoppedAt);
            std::printf("%s\n", message.c_str());
            std::fflush(stdout);
            status(message);
        }
        end(Outcome::Done, {});
    };
    // Applying the result takes a little memory too: a step that finds none
    // ends Failed rather than taking the program down (the window runs this
    // from its event loop).
    const auto guarded = [end, job](auto apply) {
        return [end, job, apply = std::move(apply)](auto argument) {
            try {
                apply(argument);
            } catch (const std::bad_alloc&) {
                // Unless the step had ended and what ran out was its listener.
                if (!job->ended)
                    end(Outcome::Failed, memoryMessage(job->name));
            }
        };
    };
    run.finish = guarded(std::move(run.finish));
    if (run.abandoned)
        run.abandoned = guarded(std::move(run.abandoned));
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
        bool parted = false;
        applyOrRestore(before, [&] {
            parted = classifier.partition(n);
            if (!parted)
                return;
            shownPatch = std::min(shownPatch, n - 1);
            settle(Kind::Partition);
            record("Re-partition", resolved, before, true);
        });
        if (!parted)
            return refuse("the faces were not re-partitioned");
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
        applyOrRestore(before, [&] {
            traversal.run(p.depth, p.angle);
            highlight.clear();
            for (int f = 0; f < mesh.numFaces; ++f) {
                if (mesh.traversed(std::size_t(f)) == 1)
                    highlight.push_back(f);
            }
            resolved.set("face", stepNumber(mesh.selected));
            resolved.set("depth", stepNumber(p.depth));
            resolved.set("angle", stepNumber(p.angle));
            settle(Kind::Pick);
            record(p.verb == Pick ? "Pick" : "Edge Traversal", resolved, before, false);
        });
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
        try {
            applyOrRestore(before, [&] {
                traversal.markCurrent();
                settle(Kind::Mark);
                record("Mark Segment", resolved, before, true);
            });
        } catch (const std::bad_alloc&) {
            traversal.randomHue = std::move(source);
            throw;
        }
        traversal.randomHue = std::move(source);
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
        if (p.verb == HeightColours) {
            if (!step.find("use-stops"))
                p.useStops = useColourStops;
            resolved.set("use-stops", p.useStops ? "1" : "0");
        }
        applyOrRestore(before, [&] {
            if (p.verb == Morphogens) {
                colourByMorphogens(mesh, setting);
            } else {
                colourByHeight(mesh, p.stops, p.useStops);
                mesh.vertexColoursSet = true;
            }
            settle(Kind::Colouring);
            record(p.verb == Morphogens ? "Morphogen Colours" : "Height Colours", resolved, before,
                true);
        });
        if (p.verb == HeightColours)
            useColourStops = p.useStops;
        notify(ChangeColours | ChangeDisplay | ChangeToolState | ChangeHistory | ChangeFile);
        return end(Outcome::Done, {});
    }
    case Reload: {
        if (!options.keepBackup)
            return refuse("no backup of the mesh as read is kept");
        // Built aside, so that memory running out leaves the mesh as it was.
        Mesh fresh;
        if (!copyAsRead(fresh, backupMesh))
            return end(Outcome::Failed, memoryMessage("Reload"));
        buildLoadData(fresh);
        Snapshot before = snapshot(true);
        if (options.keepHistory) {
            before.classifier = std::make_unique<ClassifierState>(classifier);
            before.filter = std::make_unique<MeanShiftFilter>(meanShift);
        }
        applyOrRestore(before, [&] {
            std::swap(mesh, fresh);
            ++geometryId;
            settle(Kind::NewGeometry);
            record("Reload", resolved, before, false);
        });
        meshState = backupState;
        notify(ChangeGeometry | ChangeColours | ChangeNormals | ChangeDisplay | ChangeToolState
            | ChangeHistory | ChangeFile);
        return end(Outcome::Done, {});
    }
    case Undo:
    case Redo:
        if (!(p.verb == Undo ? undoStep() : redoStep()))
            return refuse(p.verb == Undo ? "nothing to undo" : "nothing to redo");
        return end(Outcome::Done, {});
    case Save: {
        MeshWriteReport report;
        if (save(p.path, activeRunner->reportTo(), &report))
            return end(Outcome::Done, {});
        return end(Outcome::Failed,
            report.problem.empty() ? "cannot write '" + p.path + "'" : report.problem);
    }
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
