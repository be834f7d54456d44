#pragma once

#include <string>
#include <vector>

// One function per subcommand; args excludes the program and command names.
// Each returns the process exit status.
using Args = std::vector<std::string>;

int runInfo(const Args& args);
int runConvert(const Args& args);
int runSample(const Args& args);
int runSubdivide(const Args& args);
int runSimplify(const Args& args);
int runMorphogens(const Args& args);
int runTerrain(const Args& args);
int runFilter(const Args& args);
int runSegment(const Args& args);
int runClassify(const Args& args);
int runRun(const Args& args);

struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(const Args&);
};

// Every subcommand, in the order --help lists them.
const std::vector<Command>& commands();
