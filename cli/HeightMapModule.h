#pragma once

#include <string>

struct HeightMap;

// Reads a height-map file as the Terrain page does, through the height-map
// module (Qt's image classes), which is opened on first use: beside this
// program, or where it is installed. The program starts without Qt's libraries
// this way.
// False with the reason in problem, also when the module cannot be opened.
bool readHeightMapThroughModule(const std::string& path, HeightMap& map, std::string& problem);
