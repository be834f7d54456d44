#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "HeightMapModule.h"
#include "mesh/engine/WriteMeshFile.h"
#include "terrain/engine/HeightMap.h"
#include "workbench/engine/Steps.h"

#include <string>

int runTerrain(const Args& args)
{
    std::string heightmap;
    TerrainParameters parameters;
    struct Number
    {
        const char* option;
        int* value;
        int limit;
        bool given;
    };
    // 4096 samples a side is already 16.7 million vertices, some 2 GB.
    Number numbers[] = { { "--resolution", &parameters.gridResolution, 4096, false },
        { "--scale", &parameters.gridScale, 1 << 20, false },
        { "--height", &parameters.heightScale, 1 << 20, false } };
    bool colour = false;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        Number* number = nullptr;
        for (Number& n : numbers)
            number = a == n.option ? &n : number;
        if (a == "--colour-by-height") {
            colour = true;
        } else if (!number && a != "--heightmap") {
            files.push_back(a);
        } else if (i + 1 >= args.size()) {
            return fail(a + " needs a value");
        } else if (!number) {
            heightmap = args[++i];
        } else {
            const std::string& value = args[++i];
            number->given = parseInt(value, *number->value) && *number->value >= 1
                && *number->value <= number->limit;
            if (!number->given) {
                std::string message = a;
                message += " takes a whole number from 1 to ";
                message += std::to_string(number->limit);
                message += ", not '";
                message += value;
                message += "'";
                return fail(message);
            }
        }
    }
    if (heightmap.empty() || !numbers[0].given || !numbers[1].given || !numbers[2].given
        || files.size() != 1)
        return fail("terrain takes --heightmap PNG --resolution N --scale S --height H "
                    "[--colour-by-height] OUT (see facetra-cli terrain --help)");
    if (const std::string refusal = meshWriteProblem(files[0]); !refusal.empty())
        return fail(refusal);

    VerbBench bench;
    std::string unreadable;
    bench.workbench.heightMapReader
        = [&unreadable](const std::string& path, HeightMap& map, std::string& problem) {
              if (readHeightMapThroughModule(path, map, problem))
                  return true;
              unreadable = problem;
              return false;
          };
    if (bench.run(terrainStep(heightmap, parameters)).outcome != Workbench::Outcome::Done)
        return fail(!unreadable.empty() ? "cannot read '" + heightmap + "': " + unreadable
                                        : std::string("no terrain was built"));
    if (colour && bench.run(heightColoursStep({}, false)).outcome != Workbench::Outcome::Done)
        return fail("the terrain was not coloured");
    return bench.save(files[0]);
}
