#pragma once

#include <string>
#include <vector>

class Mesh;

struct SegmentExportReport
{
    // Paths of the files written, in writing order.
    std::vector<std::string> written;
    // Paths that could not be written, and stale files that could not be
    // removed; the other files were still tried.
    std::vector<std::string> failed;
    // Stale files of an earlier, larger export that were removed.
    std::vector<std::string> removed;
};

// The names an export of segmentCount segments writes, in writing order:
// "non-segemented.obj", "object_1.obj" .. "object_<segmentCount>.obj", "segemented.obj".
std::vector<std::string> segmentFileNames(int segmentCount);

// The files an earlier, larger export left in directory (empty: the working
// directory) that an export of segmentCount segments does not write: the
// regular files "object_<k>.obj" with k above segmentCount (k written as
// std::to_string writes it), as paths, by k. Empty when the folder cannot be
// listed.
std::vector<std::string> staleSegmentFiles(const std::string& directory, int segmentCount);

// The text of one exported file: the faces chosen, in face order, with their
// corners renumbered by position (corners at equal positions share one vertex,
// numbered in order of first appearance). Lines "v x y z" (six significant
// digits) then "f a/a/a b/b/b c/c/c".
struct SegmentObj
{
    std::string text;
    unsigned vertices = 0;
    unsigned corners = 0;
};

// The export files of a mesh, for segment ids 0 (no segment, "non-segemented.obj"),
// 1 .. segmentCount ("object_<k>.obj") and finally every face with a segment
// above 0 ("segemented.obj"). Each file is announced on standard output with
// "Saving: <path> v:<vertices> f:<corners>", then written beside its target and
// renamed over it; a file that cannot be written gets an "ERROR: Writing File:"
// line on the error stream. Empty segments give empty files. Then the stale
// files of staleSegmentFiles() are removed, so that the folder holds the set
// just written; one that cannot be removed gets an "ERROR: Removing File:" line.
SegmentExportReport writeSegmentFiles(
    const Mesh& mesh, int segmentCount, const std::string& directory = {});

// Groups equal positions: class[v] is the same for two vertices exactly when
// their positions compare equal under the Vector order (so 0 and -0 share a
// class; NaN coordinates equal each other). Classes are numbered 0 .. count - 1.
std::vector<int> positionClasses(const Mesh& mesh, int& count);

// Builds one file's text from the faces listed (in that order), using the
// classes of positionClasses(). `stamp` and `slot` are scratch arrays of one
// entry per class that the caller keeps between files; `fileId` must differ
// from every earlier call's.
SegmentObj segmentObj(const Mesh& mesh, const std::vector<int>& faceList,
    const std::vector<int>& classes, std::vector<int>& stamp, std::vector<int>& slot, int fileId);
