// libFuzzer entry for the OBJ reader: any bytes, read as a file, then the load builds.

#include "FuzzCommon.h"

#include "mesh/engine/ReadObj.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzzing::inputPath("obj");
    if (!fuzzing::writeInput(path, data, size))
        return 0;
    Mesh mesh;
    if (readObj(mesh, path))
        fuzzing::checkMesh(mesh);
    return 0;
}
