#pragma once

#include <vector>

class Mesh;

// A colour of a setting: red, green and blue from 0 to 255.
struct MorphogenRgb
{
    int red = 0;
    int green = 0;
    int blue = 0;

    bool operator==(const MorphogenRgb&) const = default;
};

// Everything that decides the colours of a mesh's vertices from their morphogens.
struct MorphogenSetting
{
    // 0 additive, any other value subtractive.
    int mixMode = 0;
    // The colour of a vertex with no active morphogen.
    MorphogenRgb base;
    // Per morphogen, in the order of the mesh's names: its colour and its toggle
    // (1 on, anything else off).
    std::vector<MorphogenRgb> colours;
    std::vector<int> toggles;

    bool operator==(const MorphogenSetting&) const = default;
};

// Colours every vertex from its morphogen values: the base colour plus the
// contributions of the switched-on morphogens with a positive, finite value,
// summed (additive: v * K; subtractive: -((1, 1, 1, 1) - v * K)) and divided by
// one more than their number. Nothing is clamped. Only morphogens that the
// toggles, the colours and the vertex's values all have take part, so short
// lists never read past their end; a vertex without values gets the base
// colour. Sets mesh.vertexColoursSet.
void colourByMorphogens(Mesh& mesh, const MorphogenSetting& setting);
