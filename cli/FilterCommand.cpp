#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/Progress.h"
#include "workbench/engine/Steps.h"

#include <cstdio>
#include <unistd.h>

int runFilter(const Args& args)
{
    int algorithm = -1;
    int slider = -1;
    std::string normalsOut;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--algorithm" || a == "--radius" || a == "--normals-out") {
            if (i + 1 >= args.size())
                return fail(a + " needs a value");
            const std::string& value = args[++i];
            if (a == "--algorithm") {
                const char* names[] = { "meanshift", "spherejump", "median" };
                for (int k = 0; k < 3; ++k)
                    if (value == names[k])
                        algorithm = k;
                if (algorithm < 0) {
                    return fail(
                        "--algorithm takes meanshift, spherejump or median, not '" + value + "'");
                }
            } else if (a == "--radius") {
                if (!parseInt(value, slider) || slider < 0 || slider > 100) {
                    return fail("--radius takes a slider value from 0 to 100, not '" + value + "'");
                }
            } else {
                normalsOut = value;
            }
        } else {
            files.push_back(a);
        }
    }
    if (algorithm < 0 || slider < 0 || normalsOut.empty() || files.size() != 1)
        return fail("filter takes --algorithm A --radius SLIDER --normals-out FILE IN (see "
                    "facetra-cli filter --help)");
    if (slider == 0)
        return fail("a radius of 0 is refused: nothing to filter");
    // The reader and the filters talk on standard output; here that is the
    // error stream, so that standard output stays free for data.
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    const auto restoreStdout = [savedStdout] {
        std::fflush(stdout);
        ::dup2(savedStdout, STDOUT_FILENO);
        ::close(savedStdout);
    };
    VerbBench bench;
    bool loaded = false;
    bool filtered = false;
    try {
        loaded = bench.open(files[0]);
        filtered = loaded
            && bench.run(filterStep(algorithm, float(slider))).outcome == Workbench::Outcome::Done;
    } catch (const RunCancelled&) {
        restoreStdout();
        throw;
    }
    restoreStdout();
    if (!loaded)
        return 1;
    if (!filtered)
        return fail("'" + files[0] + "' was not filtered");
    if (bench.run(saveStep("save-normals", normalsOut)).outcome != Workbench::Outcome::Done)
        return fail("cannot write '" + normalsOut + "'");
    return 0;
}
