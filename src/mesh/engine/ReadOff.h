#pragma once

#include <string_view>

class Progress;
struct FlatMesh;

// Reads an OFF text file of the form nearly every writer gives into flat, in
// parts on every core: "OFF" alone on the first line, the vertex, face and edge
// counts alone on the second, then one vertex (three decimal numbers within a
// float's normal range) or face (a corner count of at least three and as many
// indices below 2^31) to a line, with blanks between them and nothing else up
// to the last face. Polygons are fanned from their first corner; faces naming a
// missing vertex are dropped and counted. What follows the last face is not
// read. Returns false, flat untouched, when the file is not of that form (it
// is then for the general reader), when it is too small to be worth the parts,
// or when no more than one core is to be used (and no part size is set).
// Reports "Parsing" to progress; a stop throws RunCancelled.
bool parsePlainOff(std::string_view bytes, FlatMesh& flat, Progress* progress);
