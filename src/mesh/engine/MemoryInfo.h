#pragma once

#include <cstdint>

// Bytes the process can still allocate: the smaller of the system's available
// memory and the control group's limit; 0 when neither can be read.
std::uint64_t availableMemoryBytes();

// Bytes a mesh of this size holds: faces with their centroids, vertices with
// their normals, colours and texture coordinates.
double meshBytesFor(double faces, double vertices);

// Makes every large block freed go straight back to the system. The C library
// otherwise raises its threshold for that after the first large block is
// freed, so that the next arrays of a step come from a heap that keeps what
// the step before held: a subdivision would then peak at both. Called once by
// the programs, before any work; does nothing where the C library has no such
// setting.
void returnLargeBlocksToSystem();
