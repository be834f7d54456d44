#include "viewer/ui/ViewLod.h"

#include "viewer/ui/BufferedMeshDrawer.h"

#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <exception>
#include <new>

ViewLod::ViewLod(QObject* parent)
    : QObject(parent)
{ }

ViewLod::~ViewLod()
{
    stopWorker();
}

void ViewLod::stopWorker()
{
    retireWorker();
    for (Retired& r : retired)
        r.thread.join();
    retired.clear();
}

void ViewLod::retireWorker()
{
    // A simplification under way is not waited for: it ends at its next look at
    // the flag, and what it posts belongs to an older generation.
    if (workerStop)
        workerStop->store(true);
    if (worker.joinable())
        retired.push_back({ std::move(worker), workerDone });
    workerStop.reset();
    // Those that have ended are let go.
    std::erase_if(retired, [](Retired& r) {
        if (!r.done->load())
            return false;
        r.thread.join();
        return true;
    });
}

void ViewLod::geometryChanged(const Mesh& mesh)
{
    retireWorker();
    ++generation;
    levels.clear();
    // Their GL buffers go at the next frame, when the context is current.
    for (Built& b : built)
        if (b.drawer)
            spent.push_back(std::move(b.drawer));
    built.clear();
    for (auto& perMode : timings)
        perMode.clear();
    attributesStale = true;
    isReady = mesh.numFaces < kLodLeastFaces;
    if (isReady)
        return;
    try {
        startWorker(mesh);
    } catch (const std::exception&) {
        // No memory for the copy, or no thread (std::system_error): the whole
        // mesh is drawn throughout.
        workerStop.reset();
        workerDone.reset();
        isReady = true;
    }
}

void ViewLod::startWorker(const Mesh& mesh)
{
    // The copy is taken here, while the mesh cannot change; the worker reads
    // only the copy.
    auto source = std::make_shared<LodSource>(LodSource::of(mesh));
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto done = std::make_shared<std::atomic<bool>>(false);
    const std::uint64_t wanted = generation;
    QPointer<ViewLod> self(this);
    worker = std::thread([self, source, stop, done, wanted, this] {
        // Set on every way out, so that a retired worker is joined.
        struct Ended
        {
            std::atomic<bool>& flag;
            ~Ended() { flag.store(true); }
        } ended { *done };
        auto made = std::make_shared<std::vector<LodLevel>>();
        try {
            *made = buildLodLevels(*source, stop.get());
        } catch (const std::bad_alloc&) {
            // No memory for levels: the whole mesh is drawn throughout.
            return;
        }
        if (stop->load())
            return;
        QMetaObject::invokeMethod(
            this,
            [self, made, wanted] {
                if (!self || self->generation != wanted)
                    return;
                self->levels = std::move(*made);
                self->built.clear();
                self->built.resize(self->levels.size());
                // The full mesh's times, measured meanwhile, stay.
                for (auto& perMode : self->timings)
                    perMode.resize(self->levels.size() + 1);
                self->isReady = true;
                emit self->levelsReady();
            },
            Qt::QueuedConnection);
    });
    workerStop = stop;
    workerDone = done;
}

int ViewLod::chooseLevel(int mode, int fullFaces) const
{
    if (!isReady || levels.empty() || mode < 0 || mode >= kModes)
        return -1;
    const std::vector<Timing>& known = timings[std::size_t(mode)];
    const auto facesOf
        = [&](std::size_t slot) { return slot == 0 ? fullFaces : levels[slot - 1].faceCount(); };
    // A time not measured yet is scaled from the nearest measured one by the
    // face counts, which overestimates it for a finer level.
    const auto estimate = [&](std::size_t slot) {
        double best = -1.0;
        std::size_t nearest = 0;
        for (std::size_t k = 0; k < known.size(); ++k) {
            if (known[k].ms <= 0.0 || known[k].faces <= 0)
                continue;
            const std::size_t distance = k > slot ? k - slot : slot - k;
            if (best < 0.0 || distance < nearest) {
                nearest = distance;
                best = known[k].ms * double(facesOf(slot)) / double(known[k].faces);
            }
        }
        return best;
    };
    for (std::size_t slot = 0; slot <= levels.size(); ++slot) {
        const double ms = estimate(slot);
        // Nothing measured at all: the coarsest level is the safe guess.
        if (ms < 0.0)
            return int(levels.size()) - 1;
        if (ms <= budgetMs)
            return int(slot) - 1;
    }
    return int(levels.size()) - 1;
}

void ViewLod::frameDrawn(int mode, int level, int faces, double ms)
{
    if (mode < 0 || mode >= kModes)
        return;
    std::vector<Timing>& known = timings[std::size_t(mode)];
    known.resize(levels.size() + 1);
    const std::size_t slot = std::size_t(level + 1);
    if (slot < known.size())
        known[slot] = { ms, faces };
}

const Mesh& ViewLod::levelMesh(int level, const Mesh& full)
{
    if (attributesStale) {
        for (std::size_t k = 0; k < built.size(); ++k) {
            if (!built[k].made)
                continue;
            built[k].lodMesh.refreshAttributes(full, levels[k]);
            built[k].drawer->meshChanged();
        }
        attributesStale = false;
    }
    Built& b = built[std::size_t(level)];
    if (!b.made) {
        b.lodMesh.build(full, levels[std::size_t(level)]);
        // The level's mesh holds its corners from now on.
        std::vector<std::uint32_t>().swap(levels[std::size_t(level)].corners);
        b.drawer = std::make_unique<BufferedMeshDrawer>();
        b.made = true;
    }
    return b.lodMesh.mesh;
}

MeshDrawer& ViewLod::levelDrawer(int level, const MeshDrawer& like)
{
    MeshDrawer& d = *built[std::size_t(level)].drawer;
    if (d.faceNormalShading != like.faceNormalShading) {
        d.faceNormalShading = like.faceNormalShading;
        d.faceNormalsChanged();
    }
    d.setFaceColours(like.faceColoursShown());
    return d;
}

const std::vector<int>& ViewLod::levelHighlight(int level)
{
    Built& b = built[std::size_t(level)];
    b.highlight.clear();
    for (int f = 0; f < b.lodMesh.mesh.numFaces; ++f)
        if (b.lodMesh.mesh.traversed(std::size_t(f)) == 1)
            b.highlight.push_back(f);
    return b.highlight;
}

void ViewLod::releaseSpentGL()
{
    for (const std::unique_ptr<MeshDrawer>& d : spent)
        d->releaseGL();
    spent.clear();
}

void ViewLod::releaseGL()
{
    releaseSpentGL();
    for (Built& b : built)
        if (b.drawer)
            b.drawer->releaseGL();
}

std::size_t ViewLod::bytes() const
{
    std::size_t total = 0;
    for (const LodLevel& level : levels)
        total += level.bytes();
    for (const Built& b : built)
        total += b.made ? b.lodMesh.bytes() : 0;
    return total;
}
