#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"

int runConvert(const Args& args)
{
    if (args.size() != 2)
        return fail("convert takes IN and OUT (see facetra-cli convert --help)");
    Mesh mesh;
    if (!loadForTool(mesh, args[0]))
        return 1;
    if (!writeObj(mesh, args[1]))
        return fail("cannot write '" + args[1] + "'" + (mesh.numFaces == 0 ? " (empty mesh)" : ""));
    return 0;
}
