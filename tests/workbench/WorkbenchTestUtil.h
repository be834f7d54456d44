#pragma once

// Helpers of the workbench tests: small mesh files, the height map terrain
// steps read, steps run to their end, a runner that holds a run for the test,
// and the workbench's state as bytes, part by part.

#include "TestUtil.h"

#include "mesh/engine/Progress.h"
#include "workbench/engine/Step.h"
#include "workbench/engine/Workbench.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace wbtest {

using testutil::TempDir;

inline Step step(std::string_view line)
{
    Step s;
    std::string problem;
    EXPECT_TRUE(parseStepLine(line, s, problem)) << line << ": " << problem;
    return s;
}

// Runs s and returns how it ended, as far as it has ended: a run held by a
// runner leaves `Failed` with "not ended" until it does.
inline Workbench::StepEnd run(Workbench& w, const Step& s)
{
    Workbench::StepEnd end { Workbench::Outcome::Failed, "not ended" };
    w.run(s, [&end](const Workbench::StepEnd& e) { end = e; });
    return end;
}

inline std::string outcomeName(Workbench::Outcome o)
{
    switch (o) {
    case Workbench::Outcome::Done:
        return "done";
    case Workbench::Outcome::Refused:
        return "refused";
    case Workbench::Outcome::Cancelled:
        return "cancelled";
    case Workbench::Outcome::Failed:
        return "failed";
    }
    return "?";
}

// Runs the line and expects it done.
inline void runOk(Workbench& w, std::string_view line)
{
    const Workbench::StepEnd end = run(w, step(line));
    EXPECT_EQ(end.outcome, Workbench::Outcome::Done)
        << line << ": " << outcomeName(end.outcome) << " " << end.message;
}

// A wavy n x n grid as OBJ: enough faces for every tool, few enough for the
// classifier's table under the sanitizers. With morphogens, two named ones
// whose values vary over the grid.
inline std::string writeGrid(const TempDir& dir, const std::string& name, int n, bool morphogens)
{
    std::ofstream out(dir.file(name));
    if (morphogens)
        out << "mn warm cold\n";
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            out << "v " << x << ' ' << y << ' ' << std::sin(x * 0.7) * std::cos(y * 0.5) << '\n';
            if (morphogens)
                out << "m " << double(x) / n << ' ' << double(n - y) / n << '\n';
        }
    }
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int a = y * n + x + 1, b = a + 1, c = a + n, d = c + 1;
            out << "f " << a << ' ' << b << ' ' << d << "\nf " << a << ' ' << d << ' ' << c << '\n';
        }
    }
    return dir.file(name);
}

// What the terrain steps read whatever the file's name: a ramp across x with a
// ridge along y, so that the terrain has slopes and creases for every tool.
inline void readRampMaps(Workbench& w)
{
    w.heightMapReader = [](const std::string&, HeightMap& map, std::string&) {
        map = HeightMap();
        map.width = map.height = 32;
        for (int y = 0; y < map.height; ++y) {
            for (int x = 0; x < map.width; ++x) {
                const int grey = std::min(255, x * 6 + (y > 12 && y < 20 ? 60 : 0));
                map.rgb.insert(map.rgb.end(), 3, std::uint8_t(grey));
            }
        }
        return true;
    };
}

// Hears every change while it lives.
class Heard
{
public:
    explicit Heard(Workbench& w)
        : w(w)
        , id(w.addListener([this](unsigned c) { changes |= c; }))
    { }
    ~Heard() { w.removeListener(id); }
    unsigned changes = 0;

private:
    Workbench& w;
    int id;
};

// Keeps the run it is given until the test ends it: work then finish
// (complete()), work stopped at a report (cancel()), or abandoned alone
// (drop(), as when the user declines a run before it starts).
class HoldingRunner : public ToolRunner
{
public:
    std::optional<ToolRun> pending;
    int refused = 0;

    bool start(ToolRun r) override
    {
        if (pending) {
            ++refused;
            return false;
        }
        pending = std::move(r);
        return true;
    }
    bool busy() const override { return pending.has_value(); }
    std::string name() const { return pending ? pending->name : std::string(); }

    RunOutcome complete() { return finishWith(0); }
    // Stops at the work's first report.
    RunOutcome cancel() { return finishWith(1); }
    void drop()
    {
        ToolRun r = take();
        endToolRun(r, RunOutcome::Cancelled, false);
    }

private:
    ToolRun take()
    {
        ToolRun r = std::move(*pending);
        pending.reset();
        return r;
    }
    RunOutcome finishWith(int stopAt)
    {
        struct StopAt : Progress
        {
            int left;
            explicit StopAt(int n)
                : left(n)
            { }
            void show(std::string_view, double) override
            {
                if (left > 0 && --left == 0)
                    requestStop();
            }
        } progress(stopAt);
        // Ended as a threaded runner ends it: no longer busy when finish runs.
        ToolRun r = take();
        bool result = false;
        outcome = doToolWork(r, progress, result);
        endToolRun(r, outcome, result);
        return outcome;
    }
};

// ---- State as bytes

template <class T> void put(std::string& out, const T& value)
{
    static_assert(std::is_trivially_copyable_v<T>);
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// x, y, z and w; the cached length is no part of a vector's value.
inline void put(std::string& out, const Vector& v)
{
    for (float c : { v.x, v.y, v.z, v.w })
        put(out, c);
}

inline void put(std::string& out, const std::string& s)
{
    put(out, s.size());
    out += s;
}

template <class T> void put(std::string& out, const std::vector<T>& values)
{
    put(out, values.size());
    for (const T& v : values)
        put(out, v);
}

template <class T> std::string bytes(const T& value)
{
    std::string out;
    put(out, value);
    return out;
}

// The workbench's state in named parts, each with the change a listener
// hears of when it changes (the mesh as last read comes with a new mesh).
struct Part
{
    const char* name;
    unsigned change;
    std::string bytes;
    // Not a step's to change back: Undo and Redo leave settings as they are.
    bool setting = false;
};
using Parts = std::vector<Part>;

inline void putGeometry(std::string& out, const Mesh& m)
{
    put(out, m.numVertices);
    put(out, m.numFaces);
    put(out, m.extent);
    put(out, m.centre);
    put(out, m.vertices);
    for (const Face& f : m.faces)
        put(out, f.index);
    put(out, m.centroids);
    put(out, m.texCoords);
    put(out, m.numEdges);
    put(out, m.edgeVertices);
    put(out, m.edgeFaces);
    put(out, m.morphogenValues.size());
    for (const auto& row : m.morphogenValues)
        put(out, row);
    put(out, m.morphogenNames);
}

inline void putColours(std::string& out, const Mesh& m)
{
    put(out, m.vertexColours);
    put(out, m.vertexColoursSet);
    for (const Face& f : m.faces) {
        put(out, f.colour);
        put(out, f.traversed);
        put(out, f.segment);
    }
}

inline void putNormals(std::string& out, const Mesh& m)
{
    put(out, m.vertexNormals);
    for (const Face& f : m.faces)
        put(out, f.normal);
}

inline void putClassifier(std::string& out, const ClassifierState& c)
{
    put(out, c.rebuild);
    put(out, c.seeds);
    put(out, c.patchColours);
    put(out, c.centroids);
    put(out, c.memberships.size());
    for (const auto& row : c.memberships)
        put(out, row);
    put(out, c.neighbours);
    put(out, c.numPatches);
    put(out, c.meanLength);
    put(out, c.meanAngle);
    put(out, c.currentPatch);
    put(out, c.patchThreshold);
    put(out, c.patchOfFace);
}

inline void putFilter(std::string& out, const MeanShiftFilter& f)
{
    put(out, f.algorithm);
    put(out, f.seed);
    put(out, f.regionPoints);
    put(out, f.regions.size());
    for (const auto& region : f.regions)
        put(out, region);
    put(out, f.weightMode);
    put(out, f.profileHeight);
    put(out, f.profile);
    put(out, f.radius);
    put(out, f.centre);
    put(out, f.processed);
    put(out, f.needInit);
}

inline void putCube(std::string& out, const PlaneWidgetInCube& c)
{
    for (float e : c.edgeLengths)
        put(out, e);
    for (const Vector& v : c.cubeCorners)
        put(out, v);
    for (int s : c.planeState)
        put(out, s);
    put(out, c.planes.size());
    for (const ClipPlane& p : c.planes) {
        put(out, p.normal);
        put(out, p.centre);
        for (double e : p.equation)
            put(out, e);
        for (const Vector& v : p.corners)
            put(out, v);
    }
    put(out, c.outlines.size());
    for (const auto& outline : c.outlines)
        put(out, outline);
    put(out, c.showAll);
    put(out, c.invert);
}

inline Parts parts(const Workbench& w)
{
    Parts p;
    const auto part = [&p](const char* name, unsigned change) -> std::string& {
        p.push_back({ name, change, {}, false });
        return p.back().bytes;
    };
    putGeometry(part("geometry", ChangeGeometry), w.mesh);
    putColours(part("colours", ChangeColours), w.mesh);
    putNormals(part("normals", ChangeNormals), w.mesh);
    std::string& display = part("colours shown", ChangeDisplay);
    put(display, w.faceColours);
    put(display, w.normalShading);
    put(part("pick", ChangeToolState), w.mesh.selected);
    putClassifier(part("classifier", ChangeToolState), w.classifier);
    std::string& patches = part("patch shown", ChangeToolState);
    put(patches, w.shownPatch);
    put(patches, w.patchThreshold);
    std::string& traversal = part("traversal", ChangeToolState);
    put(traversal, w.traversal.segmentCount);
    put(traversal, w.highlight);
    putFilter(part("filter", ChangeToolState), w.meanShift);
    // The classifier's and the traversal's own copies of their settings
    // are settings too.
    std::string& settings = part("settings", ChangeToolState);
    p.back().setting = true;
    put(settings, w.classifier.weight);
    put(settings, w.classifier.spMode);
    put(settings, w.traversal.depth);
    put(settings, w.traversal.angle);
    put(settings, w.classifierSettings.weight);
    put(settings, w.classifierSettings.spMode);
    put(settings, w.filterSettings.slider);
    put(settings, w.filterSettings.algorithm);
    put(settings, w.filterSettings.hasProfile);
    put(settings, w.filterSettings.profile);
    put(settings, w.filterSettings.profileHeight);
    put(settings, w.useColourStops);
    putCube(part("clipping cube", ChangeClipping), w.clipCube);
    std::string& file = part("file", ChangeFile);
    put(file, w.fileName);
    put(file, w.isModified());
    std::string& history = part("history", ChangeHistory);
    put(history, w.undoName());
    put(history, w.redoName());
    put(history, w.history.undoCount());
    put(history, w.history.redoCount());
    std::string& backup = part("mesh as read", ChangeNewMesh);
    putGeometry(backup, w.backupMesh);
    putColours(backup, w.backupMesh);
    return p;
}

// The bytes of the part called name.
inline std::string part(const Workbench& w, std::string_view name)
{
    for (const Part& p : parts(w)) {
        if (p.name == name)
            return p.bytes;
    }
    ADD_FAILURE() << "no part " << name;
    return {};
}

// The names of the parts that differ, but those whose change is in `skip`
// and, unless withSettings, the settings.
inline std::string differing(
    const Parts& a, const Parts& b, unsigned skip = 0, bool withSettings = true)
{
    std::string names;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (!(a[i].change & skip) && (withSettings || !a[i].setting) && a[i].bytes != b[i].bytes)
            names += (names.empty() ? "" : ", ") + std::string(a[i].name);
    }
    return names;
}

} // namespace wbtest
