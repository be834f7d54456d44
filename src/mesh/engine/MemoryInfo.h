#pragma once

#include <cstdint>

// Bytes the process can still allocate: the smaller of the system's available
// memory and the control group's limit; 0 when neither can be read.
std::uint64_t availableMemoryBytes();

// Bytes a mesh of this size holds: faces with their pointers and centroids,
// vertices with their normals, colours and texture coordinates.
double meshBytesFor(double faces, double vertices);
