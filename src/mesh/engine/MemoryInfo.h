#pragma once

#include <cstdint>

// Bytes the process can still allocate: the smaller of the system's available
// memory and the control group's limit; 0 when neither can be read.
std::uint64_t availableMemoryBytes();

// Bytes a mesh of this size holds: faces with their centroids, vertices with
// their normals, colours and texture coordinates.
double meshBytesFor(double faces, double vertices);

// Hands the memory freed so far back to the system where the C library would
// keep it for later allocations. A step that frees large arrays and then
// allocates others of other sizes calls it in between: the freed arrays,
// reused only in part, would otherwise add to its peak.
void releaseFreedMemory();
