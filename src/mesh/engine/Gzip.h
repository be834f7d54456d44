#pragma once

#include <string>

// True when the name ends in ".gz", in any case.
bool hasGzipSuffix(const std::string& name);
// The name without a final ".gz" (any case).
std::string withoutGzipSuffix(const std::string& name);

// Inflates a whole gzip stream (members one after another, as gzip writes them)
// into out. Returns false with a reason when the bytes are not gzip, are cut
// short or are damaged; out is then empty.
bool gunzip(const std::string& compressed, std::string& out, std::string& reason);
