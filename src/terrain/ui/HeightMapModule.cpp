// The height-map reader as a module of its own: facetra-cli opens it only when
// a height map is read, so that the batch tool starts without Qt's libraries.
#include "terrain/ui/HeightMapImage.h"

extern "C" __attribute__((visibility("default"))) bool facetraReadHeightMapFile(
    const std::string& path, HeightMap& map, std::string& problem)
{
    return readHeightMapFile(path, map, problem);
}
