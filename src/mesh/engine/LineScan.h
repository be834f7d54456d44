#pragma once

#include "mesh/engine/Vector.h"

#include <string_view>
#include <vector>

// The conversions of the scanf family over one line of text, for the
// line-oriented readers. None depends on the C locale.
namespace linescan {

bool isSpace(char c);
const char* skipSpace(const char* p, const char* e);
// %f: returns the position after the number (nullptr when there is none) and,
// when value is given, stores it.
const char* scanFloat(const char* p, const char* e, float* value = nullptr);
// %i / %d: decimal digits with an optional sign.
const char* scanInt(const char* p, const char* e, long long* value = nullptr);

// Does the line match a format made of literals, blanks (any white space, also
// none), %i, %d and %f, with every conversion succeeding?
bool matches(std::string_view line, const char* format);

} // namespace linescan

// Sets non-finite coordinates to 0 and returns how many there were.
long long replaceNonFinite(std::vector<Vector>& points);
