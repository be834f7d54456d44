#include "workbench/engine/Steps.h"

#include "workbench/engine/StepParameters.h"

namespace {

std::string rgbText(const MorphogenRgb& c)
{
    return stepNumber(c.red) + ',' + stepNumber(c.green) + ',' + stepNumber(c.blue);
}

Step withVerb(const char* verb)
{
    Step step;
    step.verb = verb;
    return step;
}

} // namespace

Step subdivideStep(int levels, float weight)
{
    Step step = withVerb("subdivide");
    step.set("levels", stepNumber(levels));
    step.set("weight", stepNumber(weight));
    return step;
}

Step simplifyStep(float levelOfDetail)
{
    Step step = withVerb("simplify");
    step.set("lod", stepNumber(levelOfDetail));
    return step;
}

Step filterStep(int algorithm, float slider, bool oneStep)
{
    Step step = withVerb(oneStep ? "filter-step" : "filter");
    step.set("algorithm", algorithm >= 0 && algorithm <= 2 ? steps::filterNames[algorithm] : "?");
    step.set("radius", stepNumber(slider));
    return step;
}

Step classifyStep(double weight, int spMode, int patches)
{
    Step step = withVerb("classify");
    step.set("weight", stepNumber(weight));
    step.set("mode", spMode == 0 ? "floyd" : "dijkstra");
    if (patches > 0)
        step.set("patches", stepNumber(patches));
    return step;
}

Step repartitionStep(int patches)
{
    Step step = withVerb("repartition");
    step.set("patches", stepNumber(patches));
    return step;
}

Step pickStep(int face, int depth, int angle)
{
    Step step = withVerb("pick");
    step.set("face", stepNumber(face));
    step.set("depth", stepNumber(depth));
    step.set("angle", stepNumber(angle));
    return step;
}

Step traverseStep(int depth, int angle)
{
    Step step = withVerb("traverse");
    step.set("depth", stepNumber(depth));
    step.set("angle", stepNumber(angle));
    return step;
}

Step markStep()
{
    return withVerb("mark");
}

Step morphogenStep(const MorphogenSetting& setting)
{
    Step step = withVerb("morphogens");
    step.set("mix", stepNumber(setting.mixMode == 0 ? 0 : 1));
    step.set("base", rgbText(setting.base));
    std::string colours, toggles;
    for (const MorphogenRgb& c : setting.colours) {
        if (!colours.empty())
            colours += ';';
        colours += rgbText(c);
    }
    for (int t : setting.toggles) {
        if (!toggles.empty())
            toggles += ',';
        toggles += stepNumber(t);
    }
    step.set("colours", colours);
    step.set("toggles", toggles);
    return step;
}

Step heightColoursStep(const std::vector<ColourStop>& stops, bool useStops)
{
    Step step = withVerb("height-colours");
    step.set("use-stops", useStops ? "1" : "0");
    std::string text;
    for (const ColourStop& s : stops) {
        if (!text.empty())
            text += ';';
        text += stepNumber(s.value);
        text += ':';
        text += stepNumber(s.r);
        text += ',';
        text += stepNumber(s.g);
        text += ',';
        text += stepNumber(s.b);
    }
    if (!text.empty())
        step.set("stops", text);
    return step;
}

Step terrainStep(const std::string& heightMap, const TerrainParameters& parameters)
{
    Step step = withVerb("terrain");
    if (!heightMap.empty())
        step.set("heightmap", heightMap);
    step.set("resolution", stepNumber(parameters.gridResolution));
    step.set("scale", stepNumber(parameters.gridScale));
    step.set("height", stepNumber(parameters.heightScale));
    return step;
}

Step plainStep(const std::string& verb)
{
    Step step;
    step.verb = verb;
    return step;
}

Step saveStep(const std::string& verb, const std::string& path)
{
    Step step;
    step.verb = verb;
    step.args.push_back(path);
    return step;
}
