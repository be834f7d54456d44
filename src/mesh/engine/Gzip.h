#pragma once

#include "mesh/engine/LargeArrays.h"

#include <cstddef>
#include <functional>
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

// The room gunzipInPlace() gives out: the size the trailer gives, within
// limits; 0 when the bytes are not gzip.
std::size_t gunzipRoom(std::string_view compressed);
// The fast way of gunzip() alone, for text read while it is made: out gets
// gunzipRoom() bytes once and never moves, and after each piece of at most
// piece bytes ready(n) is told that the first n bytes of out are final.
// Returns false, out undefined, for a stream that needs more room or that the
// fast way refuses: gunzip() then inflates it again and says what is wrong.
bool gunzipInPlace(std::string_view compressed, LargeText& out, std::size_t piece,
    const std::function<void(std::size_t)>& ready, Progress* progress = nullptr);

// Packs size bytes of data as one gzip member, the form gzip itself writes and
// gunzip() reads, into out. Returns false with a reason ("not enough memory
// to compress") when that cannot be done; out is then empty. A stop asked of
// progress throws RunCancelled.
bool gzip(const char* data, std::size_t size, std::string& out, std::string& reason,
    Progress* progress = nullptr);
