#include "terrain/engine/HeightMap.h"

HeightMap HeightMap::black()
{
    HeightMap map;
    map.width = kSide;
    map.height = kSide;
    map.rgb.assign(std::size_t(kSide) * kSide * 3, 0);
    return map;
}
