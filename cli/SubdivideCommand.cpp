#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "mesh/engine/WriteMeshFile.h"
#include "workbench/engine/Steps.h"

#include <cmath>

int runSubdivide(const Args& args)
{
    int levels = -1;
    float weight = 0.0f;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--levels" || a == "--weight") {
            if (i + 1 >= args.size())
                return fail(a + " needs a value");
            const std::string& value = args[++i];
            if (a == "--levels" && (!parseInt(value, levels) || levels < 0))
                return fail("--levels takes a whole number of 0 or more, not '" + value + "'");
            if (a == "--weight"
                && (!parseFloat(value, weight) || !std::isfinite(weight) || weight < -0.125f
                    || weight > 0.125f))
                return fail("--weight takes a number from -0.125 to 0.125, not '" + value + "'");
        } else {
            files.push_back(a);
        }
    }
    if (levels < 0 || files.size() != 2)
        return fail(
            "subdivide takes --levels L [--weight W] IN OUT (see facetra-cli subdivide --help)");
    const Step step = subdivideStep(levels, weight);
    if (std::string problem; !Workbench::checkStep(step, problem))
        return fail(problem);
    if (const std::string refusal = meshWriteProblem(files[1]); !refusal.empty())
        return fail(refusal);
    VerbBench bench;
    if (!bench.open(files[0]))
        return 1;
    if (const auto end = bench.run(step); end.outcome != Workbench::Outcome::Done)
        return fail("'" + files[0] + "' was not subdivided" + stepReason(end));
    return bench.save(files[1]);
}
