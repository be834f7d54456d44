#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"
#include "refinement/engine/Subdivider.h"

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
    Mesh mesh;
    if (!loadForTool(mesh, files[0]))
        return 1;
    Subdivider subdivider;
    if (!subdivideMesh(mesh, subdivider, levels, weight, &verbProgress()))
        return fail("'" + files[0] + "' was not subdivided");
    if (!writeObj(mesh, files[1], {}, &verbProgress()))
        return fail(
            "cannot write '" + files[1] + "'" + (mesh.numFaces == 0 ? " (empty mesh)" : ""));
    return 0;
}
