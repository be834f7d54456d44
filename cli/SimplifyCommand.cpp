#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "mesh/engine/WriteMeshFile.h"
#include "workbench/engine/Steps.h"

int runSimplify(const Args& args)
{
    float lod = -1.0f;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--lod") {
            if (i + 1 >= args.size())
                return fail("--lod needs a value");
            const std::string& value = args[++i];
            if (!parseFloat(value, lod) || !(lod >= 0.0f && lod <= 100.0f))
                return fail("--lod takes a percentage from 0 to 100, not '" + value + "'");
        } else {
            files.push_back(a);
        }
    }
    if (lod < 0.0f || files.size() != 2)
        return fail("simplify takes --lod PERCENT IN OUT (see facetra-cli simplify --help)");
    if (const std::string refusal = meshWriteProblem(files[1]); !refusal.empty())
        return fail(refusal);
    VerbBench bench;
    if (!bench.open(files[0]))
        return 1;
    // Stopping short is no failure: the workbench prints where it stopped,
    // and what could be simplified is written.
    if (const auto end = bench.run(simplifyStep(lod)); end.outcome != Workbench::Outcome::Done)
        return fail("'" + files[0] + "' was not simplified" + stepReason(end));
    return bench.save(files[1]);
}
