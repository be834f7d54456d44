#pragma once

#include <cstdint>

// Bytes the process can still allocate: the smaller of the system's available
// memory and the control group's limit; 0 when neither can be read.
std::uint64_t availableMemoryBytes();
