#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteMeshFile.h"

int runConvert(const Args& args)
{
    if (args.size() != 2)
        return fail("convert takes IN and OUT (see facetra-cli convert --help)");
    Mesh mesh;
    ObjReadReport report;
    if (!loadForTool(mesh, args[0], nullptr, &report))
        return 1;
    // Colours travel when the file had its own.
    if (!writeMeshFile(mesh, args[1], mesh.vertexColoursSet, &verbProgress()))
        return fail("cannot write '" + args[1] + "'" + (mesh.numFaces == 0 ? " (empty mesh)" : ""));
    return 0;
}
