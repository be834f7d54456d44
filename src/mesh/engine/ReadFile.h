#pragma once

#include "mesh/engine/LargeArrays.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class Progress;

// What a read found beyond the mesh itself. Every reader fills the parts its
// format has.
struct ObjReadReport
{
    // Face layout of the first face line of an OBJ file: -1 none recognised,
    // 1 "f a b c", 2 "a/t/n", 3 "a//n", 4 "a/t/", 5 "a//".
    int formatType = -1;
    // Triangles not stored, whatever the reason (each reason is among losses).
    long long droppedFaces = 0;
    // Vertex colours stored; 0 when the file has none.
    int coloursRead = 0;
    // Each line the read said on standard output about what it dropped or
    // replaced, how many and why ("dropped 2 faces with vertex indices out of
    // range").
    std::vector<std::string> losses;
};

// Reads the whole file at path into bytes, as it is on disk. A regular file of
// known size is read straight through. One whose size is not known up front (a
// FIFO, a file of /proc that says it is empty) is read without blocking,
// waiting at most 50 ms at a time for data, so that a stop asked through
// progress ends the read even when no data ever comes; a FIFO is read until its
// writer closes it. Folders, devices and sockets are refused unopened.
//
// Reports "Reading" (the fraction of the bytes, 0 while the size is unknown)
// and throws RunCancelled on a stop. False, bytes empty, with the reason
// without the name in reason: "no such file", "permission denied", "is not a
// regular file", "is too large to read into memory", or the system's words.
bool readFileBytes(
    const std::string& path, LargeText& bytes, std::string& reason, Progress* progress = nullptr);

// readFileBytes, inflated when the name ends in ".gz" ("Inflating" reported):
// by inflate first when it is given and takes it (returns true, text filled),
// else by gunzip().
// A failure is one line "<path>: <reason>" in problem when the caller takes it,
// else printed on the error stream.
bool readWholeFile(const std::string& path, LargeText& text, std::string* problem = nullptr,
    Progress* progress = nullptr,
    const std::function<bool(std::string_view compressed)>& inflate = nullptr);

// A read that failed: "<path>: <reason>" into problem when the caller takes it,
// else printed on the error stream. Returns false.
bool readFailed(const std::string& path, const std::string& reason, std::string* problem);

// A loss of a read: the line on standard output, and kept in report.
void sayLoss(ObjReadReport* report, const std::string& line);
