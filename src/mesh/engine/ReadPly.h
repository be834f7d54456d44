#pragma once

#include <string>

class Progress;
struct FlatMesh;

// Parses a whole PLY file (ASCII, or binary of either byte order) into flat:
// the "vertex" element's x, y, z and colours (red, green, blue, or their
// diffuse_ forms: integer values taken as bytes over 255, float values kept as
// they are), the "face" element's vertex_indices (or vertex_index) lists; other
// elements and properties are read past. The header must be whole and its
// counts must fit the bytes that follow. False with the reason, without the
// file's name, when the header is not sound, a value is not a number, or the
// data ends before the header's counts do ("is cut short"). Reports "Parsing"
// to progress; a stop throws RunCancelled.
bool parsePly(std::string_view bytes, FlatMesh& flat, std::string& reason, Progress* progress);
