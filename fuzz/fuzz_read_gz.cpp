// libFuzzer entry for the gzip path, with the OBJ reader behind it: any bytes, read as a
// file, then the load builds.

#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzing::readAsFile("obj.gz", data, size);
}
