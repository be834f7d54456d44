#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"
#include "refinement/engine/Simplify.h"

#include <cstdio>
#include <iostream>

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
    Mesh mesh;
    if (!loadForTool(mesh, files[0]))
        return 1;
    int stoppedAt = -1;
    if (!simplifyMesh(mesh, lod, &verbProgress(), &stoppedAt))
        return fail("'" + files[0] + "' was not simplified");
    // Stopping short is no failure: what could be simplified is written.
    if (stoppedAt >= 0) {
        std::fflush(stdout);
        std::cerr << foldStopMessage(stoppedAt) << std::endl;
    }
    if (!writeObj(mesh, files[1], {}, &verbProgress()))
        return fail(
            "cannot write '" + files[1] + "'" + (mesh.numFaces == 0 ? " (empty mesh)" : ""));
    return 0;
}
