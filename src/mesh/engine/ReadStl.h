#pragma once

#include <string>

class Progress;
struct FlatMesh;

// Parses a whole STL file into flat. A file starting with "solid" is text
// unless its size is exactly that of a binary file of the facet count its bytes
// 80..83 give (many exporters start binary files with "solid" too); any other
// file is binary and its facet count must fit its size. Corners at equal
// positions become one vertex (0 and -0 are equal; a NaN equals nothing), and
// every facet is kept, also one whose corners are two or three equal vertices.
// A text facet without three whole corners (a vertex line of fewer than three
// numbers, a file cut short inside a facet) is dropped and counted. False with
// the reason, without the file's name, when a binary file's size does not
// match its facet count. Reports "Parsing" to progress; a stop throws
// RunCancelled.
bool parseStl(std::string_view bytes, FlatMesh& flat, std::string& reason, Progress* progress);
