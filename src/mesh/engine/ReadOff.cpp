#include "mesh/engine/ReadOff.h"

#include "mesh/engine/FlatMesh.h"
#include "mesh/engine/LineScan.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The words of one line, blanks being spaces and tabs, the line ending in a
// line feed, a carriage return and line feed, or the end of the text.
class LineWords
{
public:
    explicit LineWords(std::string_view line)
        : p_(line.data())
        , e_(line.data() + line.size())
    {
        if (p_ < e_ && e_[-1] == '\n')
            --e_;
        if (p_ < e_ && e_[-1] == '\r')
            --e_;
    }

    // An unsigned decimal integer below 2^31.
    bool count(std::uint32_t& value)
    {
        const char* start = word();
        std::uint64_t n = 0;
        for (const char* q = start; q < p_; ++q) {
            if (!isDigit(*q))
                return false;
            n = n * 10 + std::uint64_t(*q - '0');
            if (n > std::uint64_t(std::numeric_limits<int>::max()))
                return false;
        }
        value = std::uint32_t(n);
        return p_ > start;
    }

    // A decimal number, [sign]digits[.digits][exponent] or [sign].digits[exponent],
    // within a float's range and either zero or normal.
    bool number(float& value)
    {
        const char* start = word();
        const char* q = start;
        if (q < p_ && (*q == '-' || *q == '+'))
            ++q;
        const char* digits = q;
        bool any = false;
        while (q < p_ && isDigit(*q))
            ++q, any = true;
        if (q < p_ && *q == '.') {
            ++q;
            while (q < p_ && isDigit(*q))
                ++q, any = true;
        }
        if (!any)
            return false;
        if (q < p_ && (*q == 'e' || *q == 'E')) {
            ++q;
            if (q < p_ && (*q == '-' || *q == '+'))
                ++q;
            if (q == p_ || !isDigit(*q))
                return false;
            while (q < p_ && isDigit(*q))
                ++q;
        }
        if (q != p_)
            return false;
        // from_chars takes no plus sign.
        const auto r = std::from_chars(*start == '+' ? digits : start, p_, value);
        return r.ec == std::errc() && r.ptr == p_
            && (value == 0.0f || std::fabs(value) >= std::numeric_limits<float>::min());
    }

    bool atEnd()
    {
        skipBlanks();
        return p_ == e_;
    }

private:
    void skipBlanks()
    {
        while (p_ < e_ && (*p_ == ' ' || *p_ == '\t'))
            ++p_;
    }
    const char* word()
    {
        skipBlanks();
        const char* start = p_;
        while (p_ < e_ && *p_ != ' ' && *p_ != '\t')
            ++p_;
        return start;
    }

    const char* p_;
    const char* e_;
};

// One vertex or face line into out; false when the line is not of the form.
bool readLine(std::string_view line, bool vertex, long long vertices, FlatMesh& out,
    std::vector<std::uint32_t>& corners)
{
    LineWords words(line);
    if (vertex) {
        float xyz[3];
        if (!words.number(xyz[0]) || !words.number(xyz[1]) || !words.number(xyz[2])
            || !words.atEnd())
            return false;
        out.positions.insert(out.positions.end(), xyz, xyz + 3);
        return true;
    }
    std::uint32_t n = 0;
    if (!words.count(n) || n < 3 || n > line.size())
        return false;
    corners.resize(n);
    for (std::uint32_t& c : corners) {
        if (!words.count(c))
            return false;
    }
    if (!words.atEnd())
        return false;
    out.addFace(corners.data(), corners.size(), vertices);
    return true;
}

} // namespace

bool parsePlainOff(std::string_view bytes, FlatMesh& flat, Progress* progress)
{
    if (!readInParts(bytes.size()))
        return false;
    const unsigned workers = workerCount(double(bytes.size()));
    const std::size_t firstEnd = bytes.find('\n');
    if (firstEnd == std::string_view::npos)
        return false;
    const std::string_view first = bytes.substr(0, firstEnd);
    if (first != "OFF" && first != "OFF\r")
        return false;
    const std::size_t countsEnd = bytes.find('\n', firstEnd + 1);
    if (countsEnd == std::string_view::npos)
        return false;
    LineWords counts(bytes.substr(firstEnd + 1, countsEnd + 1 - (firstEnd + 1)));
    std::uint32_t vertices = 0, faces = 0, edges = 0;
    if (!counts.count(vertices) || !counts.count(faces) || !counts.count(edges) || !counts.atEnd())
        return false;

    const std::string_view text = bytes.substr(countsEnd + 1);
    const std::uint64_t total = std::uint64_t(vertices) + faces;
    const std::vector<std::size_t> starts = linescan::lineParts(text, workers);
    std::vector<FlatMesh> out(starts.size() - 1);
    std::vector<std::vector<std::uint32_t>> corners(out.size());
    const bool plain = readNumberedLines(text, starts, workers, total, progress,
        [&](std::size_t i, std::uint64_t number, std::string_view line) {
            return readLine(line, number < vertices, (long long)vertices, out[i], corners[i]);
        });
    if (!plain)
        return false;
    for (FlatMesh& part : out)
        flat.append(part);
    return true;
}
