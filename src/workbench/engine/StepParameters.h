#pragma once

#include "morphogens/engine/MorphogenColouring.h"
#include "terrain/engine/HeightColours.h"
#include "terrain/engine/TerrainBuilder.h"
#include "workbench/engine/Step.h"

#include <string>
#include <vector>

// What each verb of a step takes: its parameters read and checked, with the
// ranges the tools' controls and facetra-cli's options allow.
namespace steps {

enum Verb {
    Subdivide,
    Simplify,
    Filter,
    FilterStep,
    Classify,
    Repartition,
    Pick,
    Traverse,
    Mark,
    Morphogens,
    HeightColours,
    Terrain,
    Reload,
    Undo,
    Redo,
    Save,
    SaveNormals,
    SaveSegments,
    SaveTable,
    VerbCount
};

extern const char* const verbNames[VerbCount];
// The values of "mode=" in the order of the classifier's modes.
extern const char* const modeNames[2];
// The values of "algorithm=" in the order of the filters' numbers.
extern const char* const filterNames[3];

// A step's parameters, read and checked; what the step leaves out holds the
// start values.
struct Parameters
{
    Verb verb = VerbCount;
    int levels = 0;
    float weight = 0.0f;
    float lod = 0.0f;
    int algorithm = 0;
    float slider = 0.0f;
    bool hasProfile = false;
    std::vector<Vector> profile;
    int profileHeight = 0;
    double classifierWeight = 0.5;
    int spMode = 0;
    int patches = 0;
    std::string table;
    int face = 0;
    int depth = 0;
    int angle = 0;
    bool hasHue = false;
    int hue = 0;
    std::string settingsFile;
    MorphogenSetting morphogens;
    bool useStops = false;
    std::vector<ColourStop> stops;
    std::string heightMapFile;
    TerrainParameters terrain;
    std::string path;
};

// Reads step into p: false, with "<verb>: <reason>" in problem, for an
// unknown verb or key, a missing or out-of-range value, or file names where
// none belong.
bool read(const Step& step, Parameters& p, std::string& problem);
// The verbs whose work runs through the runner.
bool isLong(Verb verb);

} // namespace steps
