#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "workbench/engine/Steps.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct SegmentStep
{
    bool mark = false;
    int face = 0;
    int depth = 0;
    int angle = 0;
};

// FACE:DEPTH:ANGLE with the ranges the Edge Traversal page and a pick give.
bool parseTraverse(const std::string& text, SegmentStep& step)
{
    const std::size_t a = text.find(':');
    const std::size_t b = a == std::string::npos ? a : text.find(':', a + 1);
    if (b == std::string::npos)
        return false;
    return parseInt(text.substr(0, a), step.face) && step.face >= 1
        && parseInt(text.substr(a + 1, b - a - 1), step.depth) && step.depth >= 0
        && step.depth <= 5000 && parseInt(text.substr(b + 1), step.angle) && step.angle >= 1
        && step.angle <= 360;
}

} // namespace

int runSegment(const Args& args)
{
    std::vector<SegmentStep> steps;
    std::string in;
    std::string dir;
    bool haveDir = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--mark") {
            steps.push_back({ true });
        } else if (a == "--traverse" || a == "--save-all") {
            if (i + 1 >= args.size())
                return fail(a + " needs a value");
            const std::string& value = args[++i];
            if (a == "--save-all") {
                dir = value;
                haveDir = true;
                continue;
            }
            SegmentStep step;
            if (!parseTraverse(value, step)) {
                return fail("--traverse takes FACE:DEPTH:ANGLE (face from 1, depth 0 .. 5000, "
                            "angle 1 .. 360), not '"
                    + value + "'");
            }
            steps.push_back(step);
        } else if (in.empty()) {
            in = a;
        } else {
            return fail("unexpected argument '" + a + "' (see facetra-cli segment --help)");
        }
    }
    if (in.empty() || !haveDir || dir.empty())
        return fail("segment takes IN [--traverse FACE:DEPTH:ANGLE | --mark]... --save-all DIR "
                    "(see facetra-cli segment --help)");

    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir, error))
        return fail("cannot use '" + dir + "' as the output folder");

    VerbBench bench;
    if (!bench.open(in))
        return 1;
    const Workbench& wb = bench.workbench;
    for (const SegmentStep& step : steps) {
        if (step.mark) {
            // As "Mark Current" before any pick: nothing happens.
            if (bench.run(markStep()).outcome != Workbench::Outcome::Done)
                std::printf("mark: no face picked, nothing marked\n");
            else
                std::printf("mark: segment %d\n", wb.traversal.segmentCount);
            continue;
        }
        if (step.face > wb.mesh.numFaces)
            return fail("face " + std::to_string(step.face) + " is not in '" + in + "' ("
                + std::to_string(wb.mesh.numFaces) + " faces)");
        // A pick of that face and the page's traversal from it.
        if (const auto end = bench.run(pickStep(step.face, step.depth, step.angle));
            end.outcome != Workbench::Outcome::Done)
            return fail(end.message);
        std::printf("traverse %d:%d:%d: %zu faces\n", step.face, step.depth, step.angle,
            wb.highlight.size());
    }
    std::fflush(stdout);
    if (const auto end = bench.run(saveStep("save-segments", dir));
        end.outcome != Workbench::Outcome::Done)
        return fail(end.message);
    return 0;
}
