#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "segmentation/engine/EdgeTraversal.h"

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

    Mesh mesh;
    if (!loadForTool(mesh, in))
        return 1;
    EdgeTraversal traversal(&mesh);
    for (const SegmentStep& step : steps) {
        verbProgress().checkStop();
        if (step.mark) {
            // As "Mark Current" before any pick: nothing happens.
            if (!traversalAllowed(mesh)) {
                std::printf("mark: no face picked, nothing marked\n");
                continue;
            }
            traversal.markCurrent();
            std::printf("mark: segment %d\n", traversal.segmentCount);
            continue;
        }
        if (step.face > mesh.numFaces)
            return fail("face " + std::to_string(step.face) + " is not in '" + in + "' ("
                + std::to_string(mesh.numFaces) + " faces)");
        // A pick of that face, then the page's traversal.
        mesh.selected = step.face;
        traversal.run(step.depth, step.angle);
        int reached = 0;
        for (int f = 0; f < mesh.numFaces; ++f)
            reached += mesh.faces[std::size_t(f)].traversed;
        std::printf("traverse %d:%d:%d: %d faces\n", step.face, step.depth, step.angle, reached);
    }
    std::fflush(stdout);
    verbProgress().checkStop();
    const SegmentExportReport report = traversal.saveAll(dir);
    return report.failed.empty()
        ? 0
        : fail(std::to_string(report.failed.size()) + " export file(s) could not be written");
}
