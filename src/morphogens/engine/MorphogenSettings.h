#pragma once

#include "morphogens/engine/MorphogenColouring.h"

#include <string>

// The ".mor" text of a setting: "SIZE n", "BASECOL r g b", "MIXMODE m", then one
// "MORPHO\tr g b t" line per morphogen, n being the number of colours.
std::string morphogenSettingText(const MorphogenSetting& setting);

// The name a setting is saved under: name with ".mor" appended unless its fourth
// character from the end is a '.'.
std::string morphogenFileName(const std::string& name);

// Writes the setting to path through a file beside it and a rename, so a failed
// save leaves an old file whole. On failure prints the saving error line and
// returns false.
bool writeMorphogenSetting(const std::string& path, const MorphogenSetting& setting);

// Reads a ".mor" file over setting, which holds the current state with one
// colour and one toggle per morphogen of the mesh. "SIZE" empties and refills
// the lists; "BASECOL", "MIXMODE" and "MORPHO" (the k-th one for morphogen k)
// set what they name; a missing number keeps that value; numbers are truncated
// and colour channels held to 0 .. 255; other tokens are skipped.
//
// Either the whole file applies or nothing does: a file that cannot be opened,
// or whose SIZE (or a SIZE without a number) differs from the number of
// morphogens, leaves setting as it was, prints one line and returns false with
// the reason in problem. MORPHO lines beyond the lists are ignored and counted
// in one line.
bool readMorphogenSetting(
    const std::string& path, MorphogenSetting& setting, std::string* problem = nullptr);
