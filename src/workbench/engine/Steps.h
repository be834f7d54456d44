#pragma once

#include "morphogens/engine/MorphogenColouring.h"
#include "terrain/engine/HeightColours.h"
#include "terrain/engine/TerrainBuilder.h"
#include "workbench/engine/Step.h"

#include <string>
#include <vector>

// Steps made from typed values, as the window's controls and facetra-cli's
// options give them; each gives the line a script would hold.
Step subdivideStep(int levels, float weight);
Step simplifyStep(float levelOfDetail);
// algorithm: MEAN_SHIFT, SHPERE_JUMP or MEDIAN_FILTER; slider: the radius
// slider value (the kernel is a share of the mesh's size, or the median depth).
// One pass of a stepped run when `oneStep`, else a full run.
Step filterStep(int algorithm, float slider, bool oneStep = false);
// spMode 0 Floyd, 1 Dijkstra; patches 0: the count the classification finds.
Step classifyStep(double weight, int spMode, int patches = 0);
Step repartitionStep(int patches);
// A pick of face (1-based) and the traversal from it with depth and angle.
Step pickStep(int face, int depth, int angle);
// A traversal from the picked face.
Step traverseStep(int depth, int angle);
Step markStep();
Step morphogenStep(const MorphogenSetting& setting);
Step heightColoursStep(const std::vector<ColourStop>& stops, bool useStops);
// heightMap empty: the all-black map a page starts with.
Step terrainStep(const std::string& heightMap, const TerrainParameters& parameters);
Step plainStep(const std::string& verb);
// A save step: "save", "save-normals", "save-segments" or "save-table" and its
// file or folder.
Step saveStep(const std::string& verb, const std::string& path);
