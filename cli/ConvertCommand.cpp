#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "mesh/engine/WriteMeshFile.h"

int runConvert(const Args& args)
{
    if (args.size() != 2)
        return fail("convert takes IN and OUT (see facetra-cli convert --help)");
    if (const std::string refusal = meshWriteProblem(args[1]); !refusal.empty())
        return fail(refusal);
    VerbBench bench;
    if (!bench.open(args[0]))
        return 1;
    // Colours travel when the file had its own.
    return bench.save(args[1]);
}
