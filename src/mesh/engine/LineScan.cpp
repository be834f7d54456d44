#include "mesh/engine/LineScan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace linescan {

std::size_t partEnd(std::string_view text, std::size_t start, std::size_t partBytes, bool whole)
{
    const std::size_t end = start + std::max<std::size_t>(partBytes, 1);
    if (end < text.size()) {
        if (const void* nl = std::memchr(text.data() + end - 1, '\n', text.size() - end + 1))
            return std::size_t(static_cast<const char*>(nl) - text.data()) + 1;
    }
    return whole ? text.size() : std::string_view::npos;
}

std::vector<std::size_t> lineParts(std::string_view text, unsigned workers)
{
    const std::size_t partBytes = partBytesFor(text.size(), workers);
    std::vector<std::size_t> starts { 0 };
    while (starts.back() < text.size())
        starts.push_back(partEnd(text, starts.back(), partBytes, true));
    return starts;
}

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsWithNoCase(const char* p, const char* e, const char* word)
{
    for (; *word; ++word, ++p) {
        if (p >= e || (*p | 0x20) != *word)
            return false;
    }
    return true;
}

} // namespace

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const char* skipSpace(const char* p, const char* e)
{
    while (p < e && isSpace(*p))
        ++p;
    return p;
}

const char* scanFloat(const char* p, const char* e, float* value)
{
    p = skipSpace(p, e);
    bool negative = false;
    if (p < e && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    const char* start = p;
    if (startsWithNoCase(p, e, "inf")) {
        p += startsWithNoCase(p, e, "infinity") ? 8 : 3;
    } else if (startsWithNoCase(p, e, "nan")) {
        p += 3;
    } else {
        bool digits = false;
        while (p < e && isDigit(*p)) {
            ++p;
            digits = true;
        }
        if (p < e && *p == '.') {
            ++p;
            while (p < e && isDigit(*p)) {
                ++p;
                digits = true;
            }
        }
        if (!digits)
            return nullptr;
        if (p < e && (*p == 'e' || *p == 'E')) {
            const char* q = p + 1;
            if (q < e && (*q == '+' || *q == '-'))
                ++q;
            if (q < e && isDigit(*q)) {
                while (q < e && isDigit(*q))
                    ++q;
                p = q;
            }
        }
    }
    if (value) {
        double v = 0.0;
        const auto r = std::from_chars(start, p, v);
        if (r.ec == std::errc::result_out_of_range)
            v = outOfRangeValue(std::string_view(start, std::size_t(p - start)));
        *value = float(negative ? -v : v);
    }
    return p;
}

const char* scanInt(const char* p, const char* e, long long* value)
{
    p = skipSpace(p, e);
    bool negative = false;
    if (p < e && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    const char* start = p;
    long long v = 0;
    while (p < e && isDigit(*p)) {
        if (v < (1LL << 40))
            v = v * 10 + (*p - '0');
        ++p;
    }
    if (p == start)
        return nullptr;
    if (value)
        *value = negative ? -v : v;
    return p;
}

bool matches(std::string_view line, const char* format)
{
    const char* p = line.data();
    const char* e = p + line.size();
    for (const char* f = format; *f; ++f) {
        if (*f == ' ') {
            p = skipSpace(p, e);
        } else if (*f == '%') {
            ++f;
            p = *f == 'f' ? scanFloat(p, e) : scanInt(p, e);
            if (!p)
                return false;
        } else {
            // As with scanf, a literal that fails after the last conversion does
            // not undo the match: "f 1/1/ 2/2/ 3/3" has all of "f %i/%i/ ..."'s.
            if (p >= e || *p != *f)
                return std::strchr(f, '%') == nullptr;
            ++p;
        }
    }
    return true;
}

} // namespace linescan

long long replaceNonFinite(std::span<Vector> points)
{
    long long count = 0;
    for (Vector& p : points) {
        for (float* c : { &p.x, &p.y, &p.z }) {
            if (!std::isfinite(*c)) {
                *c = 0.0f;
                ++count;
            }
        }
    }
    return count;
}

double outOfRangeValue(std::string_view number)
{
    double value = 0.0;
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec == std::errc())
        return value;
    const bool negative = !number.empty() && number[0] == '-';
    const std::size_t e = number.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
    return tiny ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
}

std::size_t partBytesFor(std::size_t bytes, unsigned workers)
{
    return textPartBytes() > 0
        ? textPartBytes()
        : std::max<std::size_t>(std::size_t(1) << 20, bytes / (8 * workers) + 1);
}
