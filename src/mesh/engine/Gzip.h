#pragma once

#include "mesh/engine/LargeArrays.h"

#include <cstddef>
#include <string>
#include <string_view>

class Progress;

// True when the name ends in ".gz", in any case.
bool hasGzipSuffix(const std::string& name);
// The name without a final ".gz" (any case).
std::string withoutGzipSuffix(const std::string& name);

// Inflates a whole gzip stream (members one after another, as gzip writes them)
// into out. Returns false with a reason when the bytes are not gzip, are cut
// short or are damaged; out is then empty. Reports "Inflating" (the fraction of
// the compressed bytes) to progress; a stop asked of it throws RunCancelled.
bool gunzip(
    std::string_view compressed, LargeText& out, std::string& reason, Progress* progress = nullptr);

// Packs size bytes of data as one gzip member, the form gzip itself writes and
// gunzip() reads, into out. Returns false with a reason ("not enough memory
// to compress") when that cannot be done; out is then empty. A stop asked of
// progress throws RunCancelled.
bool gzip(const char* data, std::size_t size, std::string& out, std::string& reason,
    Progress* progress = nullptr);
