#pragma once

#include "mesh/engine/Vector.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <numeric>

#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>
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

// Calls fn(line) for every line of text, the line including its line feed. When
// fn returns a bool, false stops the walk; the result says whether it ran to
// the end.
template <class Fn> bool forEachLine(std::string_view text, Fn&& fn)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        const void* nl = std::memchr(text.data() + pos, '\n', text.size() - pos);
        const std::size_t end
            = nl ? std::size_t(static_cast<const char*>(nl) - text.data()) + 1 : text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if constexpr (std::is_same_v<decltype(fn(line)), bool>) {
            if (!fn(line))
                return false;
        } else {
            fn(line);
        }
    }
    return true;
}

// Where text is cut into parts for workers, of partBytesFor() bytes or a
// little more, each ending after a line feed (the last at the end of the
// text): the starts of the parts, then the end.
std::vector<std::size_t> lineParts(std::string_view text, unsigned workers);
// Where the part of text that starts at start ends: partBytes on, after the
// next line feed, or at the end of text when none follows. When text is only
// the front of what is coming (whole false), npos until that can be told.
std::size_t partEnd(std::string_view text, std::size_t start, std::size_t partBytes, bool whole);

} // namespace linescan

// The size of the parts the readers cut a file into (0: chosen by the file's
// size and the cores, and a small file is parsed in one pass). Tests make it
// tiny.
inline std::size_t& textPartBytes()
{
    static std::size_t bytes = 0;
    return bytes;
}
// Whether data of this many bytes is read in parts: when the cores would share
// it, or a part size is set.
inline bool readInParts(std::size_t bytes)
{
    return workerCount(double(bytes)) > 1 || textPartBytes() > 0;
}
// The part size textPartBytes() asks for, or else one for text of this many
// bytes on workers.
std::size_t partBytesFor(std::size_t bytes, unsigned workers);

// Runs read(i, part) for the parts of text between starts (from lineParts) on
// the workers, handed out in file order, reporting "Parsing" as they go; when
// read returns false no more parts are handed out.
template <class Read>
void readLineParts(std::string_view text, const std::vector<std::size_t>& starts, unsigned workers,
    Progress* progress, Read read)
{
    std::atomic<std::size_t> next { 0 };
    std::atomic<bool> more { true };
    runWorkers(workers, [&](unsigned w) {
        for (std::size_t i; more && (i = next++) + 1 < starts.size();) {
            if (!checkIn(progress, w, "Parsing", double(starts[i]) / double(text.size())))
                return;
            if (!read(i, text.substr(starts[i], starts[i + 1] - starts[i])))
                more = false;
        }
    });
    reportProgress(progress, "Parsing", 1.0);
}

// The value of a number from_chars found past the range of the type it was
// read as (and left unset): its double value where there is one, else an
// infinity for a large number and zero for a tiny one, with the number's sign.
double outOfRangeValue(std::string_view number);

// Reads the first lines lines of text, cut at starts (from lineParts), in
// parts on the workers: read(part, number, line) for each, number counting the
// lines of the whole text from 0, the line with its line feed. Returns false
// when read returned false for a line (no more parts are handed out then) or
// when text holds fewer lines.
template <class Read>
bool readNumberedLines(std::string_view text, const std::vector<std::size_t>& starts,
    unsigned workers, std::uint64_t lines, Progress* progress, Read read)
{
    const std::size_t parts = starts.size() - 1;
    std::vector<std::uint64_t> first(parts + 1, 0);
    runWorkers(workers, [&](unsigned w) {
        for (std::size_t i = w; i < parts; i += workers)
            first[i + 1] = std::uint64_t(std::count(text.begin() + std::ptrdiff_t(starts[i]),
                text.begin() + std::ptrdiff_t(starts[i + 1]), '\n'));
    });
    std::partial_sum(first.begin(), first.end(), first.begin());
    const bool unended = !text.empty() && text.back() != '\n';
    if (first[parts] + (unended ? 1 : 0) < lines)
        return false;
    std::atomic<bool> whole { true };
    readLineParts(text, starts, workers, progress, [&](std::size_t i, std::string_view part) {
        std::uint64_t number = first[i];
        linescan::forEachLine(part, [&](std::string_view line) {
            if (number >= lines || !whole)
                return false;
            if (!read(i, number++, line))
                whole = false;
            return bool(whole);
        });
        return bool(whole);
    });
    return whole;
}

// Sets non-finite coordinates to 0 and returns how many there were.
long long replaceNonFinite(std::span<Vector> points);
