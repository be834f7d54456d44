#pragma once

#include "viewer/engine/MeshLod.h"

#include <QObject>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class MeshDrawer;

// The view's levels of detail: built on a worker after every change of the
// mesh's geometry, never drawn once the mesh they came from has changed. A
// moving frame draws the finest level that the times of the last frames say fits
// the frame budget; the still frame is always the full mesh.
class ViewLod : public QObject
{
    Q_OBJECT

public:
    // A frame the view means to draw within this many milliseconds while it moves.
    double budgetMs = 33.0;

    explicit ViewLod(QObject* parent = nullptr);
    ~ViewLod() override;

    // The geometry changed (or a new mesh came): the levels go, and new ones are
    // built from a copy of the mesh on a worker.
    void geometryChanged(const Mesh& mesh);
    // Colours, normals, face colours or the highlight changed: the levels take
    // them from the full mesh before they are drawn next.
    void attributesChanged() { attributesStale = true; }
    // Whether the levels of the current geometry exist (a mesh too small for
    // levels has none and is ready at once).
    bool ready() const { return isReady; }
    int levelCount() const { return int(levels.size()); }
    int faceCount(int level) const { return levels[std::size_t(level)].faceCount(); }

    // The level a moving frame in render mode `mode` draws, or -1 for the full
    // mesh of `fullFaces` faces: the finest whose last time, or the time
    // estimated from the nearest level drawn, is within the budget.
    int chooseLevel(int mode, int fullFaces) const;
    // A frame in `mode` drawing `level` (-1: the full mesh of `faces` faces)
    // took `ms` milliseconds.
    void frameDrawn(int mode, int level, int faces, double ms);

    // The level as a mesh, its attributes those of `full` now; and the drawer
    // that draws it, shading and colouring as `like` does.
    const Mesh& levelMesh(int level, const Mesh& full);
    MeshDrawer& levelDrawer(int level, const MeshDrawer& like);
    // The faces of the level whose faces in the full mesh are highlighted
    // (after levelMesh() has brought the level's attributes up to date).
    const std::vector<int>& levelHighlight(int level);

    // Frees the drawers' GL objects; the context is current.
    void releaseGL();
    // Frees those of the levels a change of geometry dropped; the context is
    // current (the view calls it every frame).
    void releaseSpentGL();
    // Bytes the levels hold in memory (index lists and level meshes).
    std::size_t bytes() const;

signals:
    // New levels are ready to draw.
    void levelsReady();

private:
    // Stops every worker and waits for them (the view is going).
    void stopWorker();
    // Tells the current worker to stop, without waiting for it.
    void retireWorker();
    // Starts a worker building the levels of mesh; throws when there is no
    // memory for its copy or no thread for it.
    void startWorker(const Mesh& mesh);

    struct Built
    {
        LodMesh lodMesh;
        std::unique_ptr<MeshDrawer> drawer;
        std::vector<int> highlight;
        bool made = false;
    };
    std::vector<LodLevel> levels;
    std::vector<Built> built;
    std::vector<std::unique_ptr<MeshDrawer>> spent;
    bool isReady = true;
    bool attributesStale = true;
    std::uint64_t generation = 0;
    std::thread worker;
    std::shared_ptr<std::atomic<bool>> workerStop;
    std::shared_ptr<std::atomic<bool>> workerDone;
    // Workers told to stop, each with the flag it sets when it has ended; those
    // ended are joined at the next change, the rest when the view goes.
    struct Retired
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Retired> retired;

    // Per render mode, the last time of a frame of each level (0 the full mesh,
    // k + 1 level k) and the faces it drew; 0 ms for none yet.
    static constexpr int kModes = 8;
    struct Timing
    {
        double ms = 0.0;
        int faces = 0;
    };
    std::array<std::vector<Timing>, kModes> timings;
};
