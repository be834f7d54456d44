// libFuzzer entry for the net-format reader: any bytes, read as a file, then the
// load builds.

#include "FuzzCommon.h"

#include "mesh/engine/ReadNet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzzing::inputPath("net");
    if (!fuzzing::writeInput(path, data, size))
        return 0;
    Mesh mesh;
    if (readNet(mesh, path))
        fuzzing::checkMesh(mesh);
    return 0;
}
