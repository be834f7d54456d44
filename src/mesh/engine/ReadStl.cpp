#include "mesh/engine/ReadStl.h"

#include "mesh/engine/FlatMesh.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/LineScan.h"
#include "mesh/engine/Progress.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// The vertex of each distinct corner position, in the order of first use: an
// open-addressing table of vertex numbers keyed by the positions in flat.
class CornerVertices
{
public:
    CornerVertices(FlatMesh& flat, std::size_t expectedCorners)
        : flat_(flat)
    {
        std::size_t slots = 1024;
        while (slots < expectedCorners)
            slots *= 2;
        slots_.assign(slots, -1);
    }

    int vertexAt(const float p[3])
    {
        // 0 and -0 are the same position.
        const float key[3] = { p[0] == 0.0f ? 0.0f : p[0], p[1] == 0.0f ? 0.0f : p[1],
            p[2] == 0.0f ? 0.0f : p[2] };
        const int vertex = int(flat_.vertexCount());
        if (std::isnan(key[0]) || std::isnan(key[1]) || std::isnan(key[2])) {
            // Equal to nothing: kept out of the table, where it would only
            // lengthen the probes of the next one.
            flat_.positions.insert(flat_.positions.end(), key, key + 3);
            return vertex;
        }
        std::size_t slot = hash(key) & (slots_.size() - 1);
        while (slots_[slot] >= 0) {
            const float* q = &flat_.positions[3 * std::size_t(slots_[slot])];
            if (q[0] == key[0] && q[1] == key[1] && q[2] == key[2])
                return slots_[slot];
            slot = (slot + 1) & (slots_.size() - 1);
        }
        flat_.positions.insert(flat_.positions.end(), key, key + 3);
        slots_[slot] = vertex;
        if (2 * ++stored_ > slots_.size())
            grow();
        return vertex;
    }

private:
    static std::size_t hash(const float key[3])
    {
        std::uint64_t h = 0x9E3779B97F4A7C15ull;
        for (int k = 0; k < 3; ++k) {
            h ^= std::bit_cast<std::uint32_t>(key[k]);
            h *= 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
        return std::size_t(h);
    }

    void grow()
    {
        std::vector<int> old(slots_.size() * 2, -1);
        old.swap(slots_);
        for (const int vertex : old) {
            if (vertex < 0)
                continue;
            std::size_t slot
                = hash(&flat_.positions[3 * std::size_t(vertex)]) & (slots_.size() - 1);
            while (slots_[slot] >= 0)
                slot = (slot + 1) & (slots_.size() - 1);
            slots_[slot] = vertex;
        }
    }

    FlatMesh& flat_;
    std::vector<int> slots_;
    std::size_t stored_ = 0;
};

// Binary STL is little-endian.
std::uint32_t littleEndian32(const char* p)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        bits = ((bits & 0xFFu) << 24) | ((bits & 0xFF00u) << 8) | ((bits >> 8) & 0xFF00u)
            | (bits >> 24);
    return bits;
}

float littleEndianFloat(const char* p)
{
    return std::bit_cast<float>(littleEndian32(p));
}

void parseBinary(std::string_view bytes, std::uint32_t facets, FlatMesh& flat, Progress* progress)
{
    flat.triangles.reserve(3 * std::size_t(facets));
    CornerVertices vertices(flat, std::size_t(facets));
    for (std::uint32_t f = 0; f < facets; ++f) {
        reportPeriodically(progress, "Parsing", f, facets);
        const char* p = bytes.data() + 84 + 50 * std::size_t(f) + 12;
        int corners[3];
        for (int k = 0; k < 3; ++k) {
            const float position[3]
                = { littleEndianFloat(p), littleEndianFloat(p + 4), littleEndianFloat(p + 8) };
            corners[k] = vertices.vertexAt(position);
            p += 12;
        }
        flat.addFace(corners, 3, flat.vertexCount());
    }
}

bool keyword(std::string_view word, std::string_view name)
{
    // name is in small letters: a letter of word matches in either case.
    return word.size() == name.size()
        && std::equal(
            word.begin(), word.end(), name.begin(), [](char a, char b) { return (a | 0x20) == b; });
}

// Walks the words of text, telling sink of every corner ("vertex" and three
// numbers: corner(position)), every corner that is not whole (broken()) and
// every word that ends a facet (finish()). A vertex whose numbers run into the
// end of text is not whole; when more text follows (open) that cannot be told,
// and the walk stops, returning false.
template <class Sink>
bool scanText(std::string_view text, Sink& sink, bool open, Progress* progress)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    const auto nextWord = [&](const char*& at) {
        while (at < end && (unsigned char)*at <= ' ')
            ++at;
        const char* start = at;
        while (at < end && (unsigned char)*at > ' ')
            ++at;
        return std::string_view(start, std::size_t(at - start));
    };
    std::size_t words = 0;
    for (;;) {
        const std::string_view word = nextWord(p);
        if (word.empty())
            return true;
        if ((++words & 0xffff) == 0)
            reportProgress(progress, "Parsing", double(p - text.data()) / double(text.size()));
        if (keyword(word, "solid") || keyword(word, "endsolid")) {
            // The name runs to the line's end and may hold any word.
            while (p < end && *p != '\n')
                ++p;
        } else if (keyword(word, "facet") || keyword(word, "endloop")
            || keyword(word, "endfacet")) {
            sink.finish();
        } else if (keyword(word, "vertex")) {
            float position[3];
            bool whole = true;
            for (float& v : position) {
                const char* at = p;
                const std::string_view number = nextWord(at);
                if (number.empty() && open)
                    return false;
                const auto r = std::from_chars(number.data(), number.data() + number.size(), v);
                if (number.empty() || r.ptr != number.data() + number.size()
                    || (r.ec != std::errc() && r.ec != std::errc::result_out_of_range)) {
                    whole = false; // not consumed: it may be the next keyword
                    break;
                }
                if (r.ec == std::errc::result_out_of_range)
                    v = float(outOfRangeValue(number));
                p = at;
            }
            if (whole)
                sink.corner(position);
            else
                sink.broken();
        }
    }
}

// Facets made of the corners and ends of facets as they come, each corner
// position one vertex.
class FacetBuilder
{
public:
    FacetBuilder(FlatMesh& flat, std::size_t expectedCorners)
        : flat_(flat)
        , vertices_(flat, expectedCorners)
    { }

    void corner(const float position[3]) { loop_.push_back(vertices_.vertexAt(position)); }
    void broken() { broken_ = true; }
    void finish()
    {
        if (loop_.size() >= 3 && !broken_)
            flat_.addFace(loop_.data(), loop_.size(), flat_.vertexCount());
        else if (!loop_.empty() || broken_)
            ++flat_.tooFewCorners;
        loop_.clear();
        broken_ = false;
    }

private:
    FlatMesh& flat_;
    CornerVertices vertices_;
    std::vector<int> loop_;
    bool broken_ = false;
};

// A part of the text as the walk found it, to be built into facets in file
// order: its corners' positions and what came, one code each.
struct TextPart
{
    enum Event : unsigned char { Corner, Broken, Finish };
    std::vector<unsigned char> events;
    std::vector<float> positions;

    void corner(const float position[3])
    {
        events.push_back(Corner);
        positions.insert(positions.end(), position, position + 3);
    }
    void broken() { events.push_back(Broken); }
    void finish() { events.push_back(Finish); }
};

void parseText(std::string_view bytes, FlatMesh& flat, Progress* progress)
{
    // A facet in text takes at least some 60 bytes ("facet normal 0 0 0 outer
    // loop vertex 0 0 0 ... endloop endfacet").
    FacetBuilder facets(flat, bytes.size() / 20);
    if (readInParts(bytes.size())) {
        const unsigned workers = workerCount(double(bytes.size()));
        // The numbers are read in parts on every core; the corners become
        // vertices, and the facets are made, in file order.
        const std::vector<std::size_t> starts = linescan::lineParts(bytes, workers);
        std::vector<TextPart> parts(starts.size() - 1);
        std::atomic<bool> complete { true };
        readLineParts(bytes, starts, workers, progress, [&](std::size_t i, std::string_view part) {
            if (!scanText(part, parts[i], i + 1 < parts.size(), nullptr))
                complete = false;
            return bool(complete);
        });
        if (complete) {
            for (TextPart& part : parts) {
                const float* position = part.positions.data();
                for (const unsigned char event : part.events) {
                    if (event == TextPart::Corner) {
                        facets.corner(position);
                        position += 3;
                    } else if (event == TextPart::Broken) {
                        facets.broken();
                    } else {
                        facets.finish();
                    }
                }
                part = TextPart();
            }
            facets.finish();
            return;
        }
    }
    scanText(bytes, facets, false, progress);
    facets.finish();
}

} // namespace

bool parseStl(std::string_view bytes, FlatMesh& flat, std::string& reason, Progress* progress)
{
    std::size_t first = 0;
    while (first < bytes.size() && (unsigned char)bytes[first] <= ' ')
        ++first;
    const std::uint32_t facets = bytes.size() >= 84 ? littleEndian32(bytes.data() + 80) : 0;
    const bool fits = bytes.size() >= 84 && 84 + 50 * std::uint64_t(facets) <= bytes.size();
    const bool exact = bytes.size() >= 84 && 84 + 50 * std::uint64_t(facets) == bytes.size();
    if (bytes.compare(first, 5, "solid") == 0 && !exact) {
        parseText(bytes, flat, progress);
        return true;
    }
    if (!fits) {
        reason = "is a binary STL file whose size does not match its facet count";
        return false;
    }
    parseBinary(bytes, facets, flat, progress);
    return true;
}
