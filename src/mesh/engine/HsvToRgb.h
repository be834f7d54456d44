#pragma once

#include <cmath>

// Hue h in degrees, saturation s and value v in 0..1 to r, g, b in 0..1. With s
// = 0 or h exactly -1 the result is grey (v, v, v). A hue whose sector
// floor(h / 60) lies outside 0..5 writes nothing, so the caller's colour stays.
inline void hsvToRgb(float h, float s, float v, float& r, float& g, float& b)
{
    if (s == 0.0f || h == -1.0f) {
        r = g = b = v;
        return;
    }
    const float sector = h / 60.0f;
    // Outside the six sectors (NaN included) nothing is written; checking before
    // the conversion keeps a huge hue from overflowing the int.
    if (!(sector >= 0.0f && sector < 6.0f))
        return;
    const int k = int(std::floor(sector));
    const float f = sector - float(k);
    const float p = v * (1.0f - s);
    const float q = v * (1.0f - s * f);
    const float u = v * (1.0f - s * (1.0f - f));
    switch (k) {
    case 0: r = v; g = u; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = u; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = u; g = p; b = v; break;
    case 5: r = v; g = p; b = q; break;
    default: break;
    }
}
