#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "mesh/engine/WriteMeshFile.h"

int runMorphogens(const Args& args)
{
    std::string settings;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--settings") {
            if (i + 1 >= args.size())
                return fail("--settings needs a .mor file");
            settings = args[++i];
        } else {
            files.push_back(args[i]);
        }
    }
    if (settings.empty() || files.size() != 2)
        return fail("morphogens takes --settings F.mor IN OUT (see facetra-cli morphogens "
                    "--help)");
    if (const std::string refusal = meshWriteProblem(files[1]); !refusal.empty())
        return fail(refusal);
    VerbBench bench;
    if (!bench.open(files[0]))
        return 1;
    // The setting applies over the page as a freshly loaded mesh leaves it.
    Step step;
    step.verb = "morphogens";
    step.set("settings", settings);
    if (const auto end = bench.run(step); end.outcome != Workbench::Outcome::Done)
        return fail(end.message);
    return bench.save(files[1]);
}
