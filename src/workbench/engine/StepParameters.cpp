#include "workbench/engine/StepParameters.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/WriteMeshFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>

namespace steps {

const char* const verbNames[VerbCount] = { "subdivide", "simplify", "filter", "filter-step",
    "classify", "repartition", "pick", "traverse", "mark", "morphogens", "height-colours",
    "terrain", "reload", "undo", "redo", "save", "save-normals", "save-segments", "save-table" };

const char* const modeNames[2] = { "floyd", "dijkstra" };
const char* const filterNames[3] = { "meanshift", "spherejump", "median" };

namespace {

bool parseNumber(const std::string& text, float& value)
{
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
}

bool parseNumber(const std::string& text, double& value)
{
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
}

bool parseNumber(const std::string& text, int& value)
{
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// Splits "a;b;c" (or with another separator); an empty text gives no part.
std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    if (text.empty())
        return parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

template <class T>
bool parseList(const std::string& text, std::vector<T>& values, std::size_t count)
{
    values.clear();
    for (const std::string& part : split(text, ',')) {
        T v {};
        if (!parseNumber(part, v))
            return false;
        values.push_back(v);
    }
    return count == 0 || values.size() == count;
}

// Reads the parameters of one step, keeping the first problem.
class Reader
{
public:
    Reader(const Step& step, std::string& problem)
        : step(step)
        , problem(problem)
    { }

    bool ok() const { return good; }
    bool fail(const std::string& why)
    {
        if (good)
            problem = step.verb + ": " + why;
        good = false;
        return false;
    }

    const std::string* value(const char* key, bool required)
    {
        keys.emplace_back(key);
        const std::string* v = step.find(key);
        if (!v && required)
            fail(std::string(key) + "= is missing");
        return v;
    }

    template <class T>
    void number(const char* key, T& out, T lo, T hi, bool required, const char* what)
    {
        const std::string* v = value(key, required);
        if (!v)
            return;
        T read {};
        if (!parseNumber(*v, read) || read < lo || read > hi) {
            fail(std::string(key) + " takes " + what + ", not '" + *v + "'");
            return;
        }
        out = read;
    }

    template <std::size_t N>
    void choice(const char* key, int& out, const char* const (&names)[N], bool required)
    {
        const std::string* v = value(key, required);
        if (!v)
            return;
        for (std::size_t k = 0; k < N; ++k) {
            if (*v == names[k]) {
                out = int(k);
                return;
            }
        }
        std::string list;
        for (std::size_t k = 0; k < N; ++k) {
            list += k == 0 ? "" : k + 1 == N ? " or " : ", ";
            list += names[k];
        }
        fail(std::string(key) + " takes " + list + ", not '" + *v + "'");
    }

    void text(const char* key, std::string& out, bool required)
    {
        if (const std::string* v = value(key, required))
            out = *v;
    }

    void args(std::size_t n, const char* what)
    {
        if (step.args.size() != n)
            fail(n == 0 ? "takes no file name" : std::string("takes one ") + what);
    }

    // Every parameter the step names must be one the verb reads.
    bool done()
    {
        for (const auto& [key, v] : step.params) {
            if (std::find(keys.begin(), keys.end(), key) == keys.end())
                return fail("unknown key '" + key + "'");
        }
        return good;
    }

private:
    const Step& step;
    std::string& problem;
    std::vector<std::string> keys;
    bool good = true;
};

void readProfile(Reader& r, Parameters& p)
{
    std::string text;
    r.text("profile", text, false);
    r.number("profile-height", p.profileHeight, 0, 1 << 20, false, "a whole number of 0 or more");
    if (text.empty())
        return;
    p.hasProfile = true;
    for (const std::string& point : split(text, ';')) {
        std::vector<float> xy;
        if (!parseList(point, xy, 2)) {
            r.fail("profile takes points x,y separated by ';', not '" + point + "'");
            return;
        }
        p.profile.emplace_back(xy[0], xy[1], 0.0f, 0.0f);
    }
}

bool readRgb(const std::string& text, MorphogenRgb& rgb)
{
    std::vector<int> c;
    if (!parseList(text, c, 3))
        return false;
    for (int v : c) {
        if (v < 0 || v > 255)
            return false;
    }
    rgb = { c[0], c[1], c[2] };
    return true;
}

} // namespace

bool read(const Step& step, Parameters& p, std::string& problem)
{
    const auto* found = std::find(std::begin(verbNames), std::end(verbNames), step.verb);
    if (found == std::end(verbNames)) {
        problem = "unknown step '" + step.verb + "'";
        return false;
    }
    p.verb = Verb(found - std::begin(verbNames));
    Reader r(step, problem);
    switch (p.verb) {
    case Subdivide:
        r.number("levels", p.levels, 0, 1 << 20, true, "a whole number of 0 or more");
        r.number("weight", p.weight, -0.125f, 0.125f, false, "a number from -0.125 to 0.125");
        break;
    case Simplify:
        r.number("lod", p.lod, 0.0f, 100.0f, true, "a percentage from 0 to 100");
        break;
    case Filter:
    case FilterStep:
        r.choice("algorithm", p.algorithm, filterNames, true);
        r.number("radius", p.slider, 0.0f, 100.0f, true, "a slider value from 0 to 100");
        readProfile(r, p);
        break;
    case Classify:
        r.number("weight", p.classifierWeight, 0.0, 1.0, false, "a number from 0 to 1");
        r.choice("mode", p.spMode, modeNames, false);
        r.number("patches", p.patches, 1, 50, false, "a whole number from 1 to 50");
        r.text("load-table", p.table, false);
        break;
    case Repartition:
        r.number("patches", p.patches, 1, 1 << 20, true, "a whole number of 1 or more");
        break;
    case Pick:
    case Traverse:
        r.number("face", p.face, 1, 1 << 30, p.verb == Pick, "a face number from 1");
        r.number("depth", p.depth, 0, 5000, p.verb == Traverse, "a whole number from 0 to 5000");
        r.number("angle", p.angle, 0, 360, p.verb == Traverse, "a whole number from 0 to 360");
        break;
    case Mark:
        p.hasHue = step.find("hue") != nullptr;
        r.number("hue", p.hue, 0, 32767, false, "a whole number from 0 to 32767");
        break;
    case Morphogens: {
        r.text("settings", p.settingsFile, false);
        std::string base, colours, toggles;
        r.number("mix", p.morphogens.mixMode, 0, 1, false, "0 (additive) or 1 (subtractive)");
        r.text("base", base, false);
        r.text("colours", colours, false);
        r.text("toggles", toggles, false);
        if (!base.empty() && !readRgb(base, p.morphogens.base))
            r.fail("base takes r,g,b from 0 to 255, not '" + base + "'");
        for (const std::string& c : split(colours, ';')) {
            MorphogenRgb rgb;
            if (!readRgb(c, rgb))
                r.fail("colours takes r,g,b from 0 to 255 separated by ';', not '" + c + "'");
            p.morphogens.colours.push_back(rgb);
        }
        if (!parseList(toggles, p.morphogens.toggles, 0))
            r.fail("toggles takes numbers separated by ',', not '" + toggles + "'");
        if (!p.settingsFile.empty() && (!base.empty() || !colours.empty() || !toggles.empty()))
            r.fail("settings= and the colours themselves exclude each other");
        break;
    }
    case HeightColours: {
        int use = 0;
        r.number("use-stops", use, 0, 1, false, "0 or 1");
        p.useStops = use == 1;
        std::string stops;
        r.text("stops", stops, false);
        for (const std::string& s : split(stops, ';')) {
            const std::size_t colon = s.find(':');
            std::vector<float> rgb;
            float value = 0.0f;
            if (colon == std::string::npos || !parseNumber(s.substr(0, colon), value)
                || !parseList(s.substr(colon + 1), rgb, 3)) {
                r.fail("stops takes value:r,g,b separated by ';', not '" + s + "'");
                break;
            }
            p.stops.push_back({ value, rgb[0], rgb[1], rgb[2] });
        }
        break;
    }
    case Terrain:
        r.text("heightmap", p.heightMapFile, false);
        // 4096 samples a side is already 16.7 million vertices, some 2 GB.
        r.number(
            "resolution", p.terrain.gridResolution, 1, 4096, true, "a whole number from 1 to 4096");
        r.number(
            "scale", p.terrain.gridScale, 1, 1 << 20, true, "a whole number from 1 to 1048576");
        r.number(
            "height", p.terrain.heightScale, 1, 1 << 20, true, "a whole number from 1 to 1048576");
        break;
    case Reload:
    case Undo:
    case Redo:
        break;
    case Save:
    case SaveNormals:
    case SaveTable:
        r.args(1, "file name");
        if (r.ok())
            p.path = step.args[0];
        // A mesh is written only in a form it can be read back from.
        if (p.verb == Save && r.ok()) {
            if (const std::string refusal = meshWriteProblem(p.path); !refusal.empty())
                r.fail(refusal);
        }
        break;
    case SaveSegments:
        r.args(1, "folder name");
        if (r.ok())
            p.path = step.args[0];
        break;
    case VerbCount:
        break;
    }
    if (p.verb < Save && !step.args.empty())
        r.fail("takes no file name but key=value parameters");
    return r.done();
}

bool isLong(Verb verb)
{
    return verb == Subdivide || verb == Simplify || verb == Filter || verb == FilterStep
        || verb == Classify || verb == Terrain;
}

} // namespace steps
