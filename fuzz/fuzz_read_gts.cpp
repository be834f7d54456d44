// libFuzzer entry for the GTS reader: any bytes, read as a
// file, then the load builds.

#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzing::readAsFile("gts", data, size);
}
