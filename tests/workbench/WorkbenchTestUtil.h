#pragma once

// Helpers of the workbench tests: a small mesh file, the height map terrain
// steps read, steps run to their end, a runner that holds a run for the test,
// and the workbench's state as bytes, part by part.

#include "TestUtil.h"

#include "mesh/engine/Progress.h"
#include "workbench/engine/Step.h"
#include "workbench/engine/Workbench.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace wbtest {

using testutil::TempDir;
using Outcome = Workbench::Outcome;

inline Step step(std::string_view line)
{
    Step s;
    std::string problem;
    EXPECT_TRUE(parseStepLine(line, s, problem)) << line << ": " << problem;
    return s;
}

// How s ended, as far as it has: a run a runner holds is "not ended" till it is.
inline Workbench::StepEnd run(Workbench& w, const Step& s)
{
    Workbench::StepEnd end { Outcome::Failed, "not ended" };
    w.run(s, [&end](const Workbench::StepEnd& e) { end = e; });
    return end;
}

inline const char* outcomeName(Outcome o)
{
    static const char* const names[] = { "done", "refused", "cancelled", "failed" };
    return names[int(o)];
}

// "" when line ends done, else the line and how it ended.
inline std::string runLine(Workbench& w, std::string_view line)
{
    const Workbench::StepEnd end = run(w, step(line));
    if (end.outcome == Outcome::Done)
        return {};
    return std::string(line) + ": " + outcomeName(end.outcome) + " " + end.message;
}

inline void runOk(Workbench& w, std::string_view line)
{
    EXPECT_EQ(runLine(w, line), "");
}

// A wavy n x n grid as OBJ with two named morphogens that vary over it: enough
// faces for every tool, few enough for the classifier's table under the
// sanitizers.
inline std::string writeGrid(const TempDir& dir, const std::string& name, int n)
{
    std::ofstream out(dir.file(name));
    out << "mn warm cold\n";
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            out << "v " << x << ' ' << y << ' ' << std::sin(x * 0.7) * std::cos(y * 0.5) << '\n';
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

// Keeps the run it is given until the test ends it: work then finish
// (complete()), work stopped at its first report (cancel()), or abandoned
// unworked (drop(), as when the user declines a run).
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
    RunOutcome complete() { return end(false, true); }
    RunOutcome cancel() { return end(true, true); }
    void drop() { end(false, false); }

private:
    // Ended as a threaded runner ends it: no longer busy when finish runs.
    RunOutcome end(bool stop, bool work)
    {
        testutil::StoppingProgress progress(stop ? 1 : 0);
        ToolRun r = std::move(*pending);
        pending.reset();
        bool result = false;
        outcome = work ? doToolWork(r, progress, result) : RunOutcome::Cancelled;
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

inline void put(std::string& out, const ClipPlane& p);

// Arrays element by element, vectors with their size first.
template <std::ranges::range R> void put(std::string& out, const R& values)
{
    if constexpr (requires { values.size(); } && !std::is_array_v<R>)
        put(out, values.size());
    for (const auto& v : values)
        put(out, v);
}

inline void put(std::string& out, const ClipPlane& p)
{
    put(out, p.normal);
    put(out, p.centre);
    put(out, p.equation);
    put(out, p.corners);
}

template <class... T> std::string bytes(const T&... values)
{
    std::string out;
    (put(out, values), ...);
    return out;
}

// field(face) of every face.
template <class Field> std::string eachFace(const Mesh& m, Field field)
{
    std::string out;
    for (const Face& f : m.faces)
        out += field(f);
    return out;
}

// field(marks) of every face, its marks read as the tools read them.
struct FaceMarks
{
    PackedVector colour;
    int traversed;
    int segment;
};
template <class Field> std::string eachMark(const Mesh& m, Field field)
{
    std::string out;
    for (std::size_t f = 0; f < m.faces.size(); ++f)
        out += field(FaceMarks { m.colour(f), m.traversed(f), m.segment(f) });
    return out;
}

inline std::string geometry(const Mesh& m)
{
    return bytes(m.numVertices, m.numFaces, m.extent, m.centre, m.vertices, m.centroids,
               m.texCoords, m.numEdges, m.edgeVertices, m.edgeFaces, m.morphogenValues,
               m.morphogenNames)
        + eachFace(m, [](const Face& f) { return bytes(f.index); });
}

inline std::string colours(const Mesh& m)
{
    return bytes(m.vertexColours, m.vertexColoursSet)
        + eachMark(m, [](const FaceMarks& f) { return bytes(f.colour, f.traversed, f.segment); });
}

inline std::string normals(const Mesh& m)
{
    return bytes(m.vertexNormals) + eachFace(m, [](const Face& f) { return bytes(f.normal); });
}

inline std::string cubeBytes(const PlaneWidgetInCube& c)
{
    return bytes(
        c.edgeLengths, c.cubeCorners, c.planeState, c.planes, c.outlines, c.showAll, c.invert);
}

// One part of the workbench's state, with the change a listener hears of
// when it changes (the mesh as last read comes with a new mesh).
struct Part
{
    unsigned change;
    std::string bytes;
    // Not a step's to change back: Undo and Redo leave settings as they are.
    bool setting = false;
};
using Parts = std::map<std::string, Part>;

inline Parts parts(const Workbench& w)
{
    const ClassifierState& c = w.classifier;
    const MeanShiftFilter& f = w.meanShift;
    const FilterSettings& s = w.filterSettings;
    return {
        { "geometry", { ChangeGeometry, geometry(w.mesh) } },
        { "colours", { ChangeColours, colours(w.mesh) } },
        { "normals", { ChangeNormals, normals(w.mesh) } },
        { "colours shown", { ChangeDisplay, bytes(w.faceColours, w.normalShading) } },
        { "pick", { ChangeToolState, bytes(w.mesh.selected) } },
        { "classifier",
            { ChangeToolState,
                bytes(c.rebuild, c.seeds, c.patchColours, c.centroids, c.memberships, c.neighbours,
                    c.numPatches, c.meanLength, c.meanAngle, c.currentPatch, c.patchThreshold,
                    c.patchOfFace) } },
        { "patch shown", { ChangeToolState, bytes(w.shownPatch, w.patchThreshold) } },
        { "traversal", { ChangeToolState, bytes(w.traversal.segmentCount, w.highlight) } },
        { "filter",
            { ChangeToolState,
                bytes(f.algorithm, f.seed, f.regionPoints, f.regions, f.weightMode, f.profileHeight,
                    f.profile, f.radius, f.centre, f.processed, f.needInit) } },
        // The classifier's and the traversal's own copies of them too.
        { "settings",
            { ChangeToolState,
                bytes(c.weight, c.spMode, w.traversal.depth, w.traversal.angle,
                    w.classifierSettings.weight, w.classifierSettings.spMode, s.slider, s.algorithm,
                    s.hasProfile, s.profile, s.profileHeight, w.useColourStops),
                true } },
        { "clipping cube", { ChangeClipping, cubeBytes(w.clipCube) } },
        { "file", { ChangeFile, bytes(w.fileName, w.isModified()) } },
        { "history",
            { ChangeHistory,
                bytes(w.undoName(), w.redoName(), w.history.undoCount(), w.history.redoCount()) } },
        { "mesh as read", { ChangeNewMesh, geometry(w.backupMesh) + colours(w.backupMesh) } },
    };
}

// The names of the parts that differ, but those whose change is in `skip`
// and, unless withSettings, the settings.
inline std::string differing(
    const Parts& a, const Parts& b, unsigned skip = 0, bool withSettings = true)
{
    std::string names;
    for (const auto& [name, p] : a) {
        if (!(p.change & skip) && (withSettings || !p.setting) && p.bytes != b.at(name).bytes)
            names += (names.empty() ? "" : ", ") + name;
    }
    return names;
}

} // namespace wbtest
