#include "mesh/engine/ReadObj.h"

#include "mesh/engine/Gzip.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/LineScan.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/ReadFile.h"
#include "mesh/engine/Tokenizer.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <mutex>
#include <new>
#include <string_view>
#include <vector>

namespace {

using linescan::forEachLine;
using linescan::lineParts;
using linescan::matches;

// A keyword is a whole word at the start of the line: "v" but not "vn".
bool startsWithKeyword(std::string_view line, std::string_view keyword)
{
    return line.size() >= keyword.size() && line.compare(0, keyword.size(), keyword) == 0
        && (line.size() == keyword.size()
            || !(Tokenizer::charClass(static_cast<unsigned char>(line[keyword.size()]))
                & Tokenizer::Alphabetic));
}

enum class LineKind { Other, Vertex, Colour, Face, FaceColour, MorphogenNames, Morphogens };

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// A plain decimal [-]digits[.digits] at p, ending where no number could go on
// (not at '-', '.', 'e' or 'E'). Returns its end, or nullptr when the text is
// anything else; the value is the one the tokenizer would give.
const char* plainDecimal(const char* p, const char* e, double& value)
{
    static constexpr double powers[]
        = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    const char* start = p;
    const bool negative = p < e && *p == '-';
    p += negative;
    const char* digits = p;
    std::uint64_t mantissa = 0;
    while (p < e && isDigit(*p))
        mantissa = mantissa * 10 + std::uint64_t(*p++ - '0');
    if (p == digits)
        return nullptr;
    const char* point = p;
    if (p < e && *p == '.') {
        ++p;
        point = p;
        while (p < e && isDigit(*p))
            mantissa = mantissa * 10 + std::uint64_t(*p++ - '0');
    }
    if (p < e && (*p == '-' || *p == '.' || *p == 'e' || *p == 'E'))
        return nullptr;
    const long fraction = p - point;
    // Up to 15 digits both mantissa and power are exact, so one division rounds
    // correctly; anything longer takes the full conversion.
    if (p - digits <= 16 && fraction <= 15 && mantissa < (std::uint64_t(1) << 53)) {
        const double v = double(mantissa) / powers[fraction];
        value = negative ? -v : v;
    } else {
        value = parseNumber(std::string_view(start, std::size_t(p - start)));
    }
    return p;
}

// "v x y z" with three plain decimals, the bulk of every file: the scanf-style
// match and the tokenizer agree on such a line, so one scan serves both.
bool fastVertexLine(std::string_view line, double xyz[3])
{
    const char* p = line.data() + 1;
    const char* e = line.data() + line.size();
    for (int k = 0; k < 3; ++k) {
        while (p < e && isBlank(*p))
            ++p;
        p = plainDecimal(p, e, xyz[k]);
        if (!p || (p < e && !isBlank(*p)))
            return false;
    }
    return true;
}

// "f a b c" with three plain corners from 1 up (digits, each perhaps followed
// by its "/t/n" numbers), the bulk of every file: its corners, as faceCorners()
// gives them, without the general path's splitting and conversions. False,
// corners untouched, for any other line.
bool fastTriangleLine(std::string_view line, std::vector<double>& corners)
{
    const char* p = line.data() + 1;
    const char* e = line.data() + line.size();
    if (p == e || !isBlank(*p))
        return false;
    long long value[3];
    for (long long& n : value) {
        while (p < e && isBlank(*p))
            ++p;
        const char* digits = p;
        n = 0;
        while (p < e && isDigit(*p) && p - digits < 10)
            n = n * 10 + (*p++ - '0');
        if (p == digits || n < 1 || n > INT_MAX || (p < e && isDigit(*p)))
            return false;
        if (p < e && *p == '/') {
            while (p < e && (isDigit(*p) || *p == '/'))
                ++p;
        }
        if (p < e && !isBlank(*p))
            return false;
    }
    while (p < e && isBlank(*p))
        ++p;
    if (p != e)
        return false;
    corners.assign({ double(value[0]), double(value[1]), double(value[2]) });
    return true;
}

// The lines' kinds decide everything else, so the vertex count never disagrees
// with the vertices stored.
LineKind classify(std::string_view line)
{
    if (line.empty())
        return LineKind::Other;
    switch (line[0]) {
    case 'v':
        if (matches(line, "v %f %f %f"))
            return LineKind::Vertex;
        if (startsWithKeyword(line, "vc"))
            return LineKind::Colour;
        return LineKind::Other;
    case 'f':
        if (matches(line, "fc %f %f %f"))
            return LineKind::FaceColour;
        return startsWithKeyword(line, "f") ? LineKind::Face : LineKind::Other;
    case 'm':
        if (startsWithKeyword(line, "mn"))
            return LineKind::MorphogenNames;
        return startsWithKeyword(line, "m") ? LineKind::Morphogens : LineKind::Other;
    default:
        return LineKind::Other;
    }
}

// Splits at blanks, as strtok with " ": no empty pieces.
std::vector<std::string_view> splitAtBlanks(std::string_view line)
{
    std::vector<std::string_view> pieces;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            pieces.push_back(line.substr(start, i - start));
    }
    return pieces;
}

std::string_view trimLineEnd(std::string_view s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The corner groups of a face line are its blank-separated words (n, n/t,
// n/t/m, n//m, n/t/, n//); each whose first token is a number gives that
// number. Appends the corner values to out.
void faceCorners(std::string_view rest, std::vector<double>& out)
{
    const char* p = rest.data();
    const char* e = p + rest.size();
    while (p < e) {
        while (p < e && isBlank(*p))
            ++p;
        if (p >= e || *p == '#')
            break;
        const char* word = p;
        const bool negative = *p == '-';
        p += negative;
        if (p >= e || !isDigit(*p)) {
            // Not a corner: skip the word.
            while (p < e && !isBlank(*p) && *p != '#')
                ++p;
            continue;
        }
        // Plain integers (the rule) are read directly.
        const char* digits = p;
        std::uint64_t n = 0;
        while (p < e && isDigit(*p))
            n = n * 10 + std::uint64_t(*p++ - '0');
        if (p - digits > 15 || (p < e && !isBlank(*p) && *p != '/' && *p != '#')) {
            const std::string_view text(word, std::size_t(e - word));
            out.push_back(parseNumber(text.substr(0, numberTokenLength(text))));
        } else {
            out.push_back(negative ? -double(n) : double(n));
        }
        while (p < e && !isBlank(*p) && *p != '#')
            ++p;
    }
}

void detectFormat(std::string_view line, int& formatType)
{
    static const char* const patterns[5] = {
        "f %i %i %i",
        "f %i/%i/%i %i/%i/%i %i/%i/%i",
        "f %i//%i %i//%i %i//%i",
        "f %i/%i/ %i/%i/ %i/%i/",
        "f %i// %i// %i//",
    };
    for (int i = 0; i < 5; ++i) {
        if (matches(line, patterns[i]))
            formatType = i + 1;
    }
}

// What the pass over the text gathers before the mesh arrays are allocated.
struct ObjContent
{
    LargeVector<float> positions; // x, y, z per vertex
    std::vector<Vector> colours;
    std::vector<float> morphogens; // morphogenCount values per row
    LargeVector<int> triangles; // three 0-based corners each; -1 marks a dropped one
    std::vector<std::size_t> forwardPolygons; // triangle ranges naming later vertices
    std::vector<std::string> names;
    int formatType = -1;
    int morphogenCount = 0;
    bool morphogenCountSet = false;
    bool morphogenOverflow = false;
    long long countedFaces = 0;
    long long polygons = 0;
    long long droppedFaces = 0;
    long long morphogenRows = 0;
    // Coordinates such as "nan" or "inf" are words to the tokenizer; the value
    // before them stays, which the user is told.
    long long notNumbers = 0;
};

// What a part of the text parsed on its own needs besides its content. The
// part is independent when none of its lines reads what earlier lines left:
// the previous value of a coordinate that is not a number, the morphogen count
// or last number, a negative corner counting back from the vertices read so
// far, or the format detection an "fc" line starts again. Such a file is parsed
// whole instead.
struct ObjPart
{
    bool independent = true;
    bool sawFace = false; // an 'f' line began the part's format detection
    long long maxCorner = -1; // the largest 0-based corner stored
};

// Parses text into c. With part, text is one part of a file (from a line's
// start to a line's end) parsed without what comes before it: a dependent
// line stops the part. Without part, text is the whole file.
void parseObj(std::string_view text, ObjContent& c, Progress* progress, ObjPart* part = nullptr)
{
    // A vertex line takes at least 8 bytes ("v 0 0 0\n"), a triangle about as
    // much: room reserved this way is only touched as far as it is used. That
    // holds for a whole file; a part's arrays, which are joined and let go,
    // start from what lines of a usual length would need, so that a part does
    // not touch a whole huge page of room it never uses.
    const std::size_t lineBytes = part ? 32 : 8;
    c.positions.reserve(text.size() / lineBytes * 3);
    c.triangles.reserve(text.size() / lineBytes * 3);
    bool detected = false;
    double lastNumber = 0.0;
    float xyz[3] = { 0.0f, 0.0f, 0.0f };
    std::vector<double> corners;

    // A keyword's numbers: the line's next tokens, a token that is not a number
    // leaving the previous value.
    const auto readTriple = [&](std::string_view rest) {
        Tokenizer tok(rest);
        for (float& v : xyz) {
            if (tok.next() == Tokenizer::TT_NUMBER) {
                lastNumber = tok.nval;
                v = float(tok.nval);
            } else {
                ++c.notNumbers;
            }
        }
        return !(part && c.notNumbers > 0);
    };
    const auto dependent = [&] {
        part->independent = false;
        return false;
    };

    std::size_t lines = 0;
    forEachLine(text, [&](std::string_view line) {
        if (!part && (++lines & 0xffff) == 0)
            reportProgress(
                progress, "Parsing", double(line.data() - text.data()) / double(text.size()));
        if (line[0] == 'f' && !detected) {
            detectFormat(line, c.formatType);
            detected = true;
            if (part)
                part->sawFace = true;
        }
        double fast[3];
        if (line[0] == 'v' && fastVertexLine(line, fast)) {
            for (int k = 0; k < 3; ++k)
                c.positions.push_back(xyz[k] = float(fast[k]));
            lastNumber = fast[2];
            return true;
        }
        const bool fastFace = line[0] == 'f' && fastTriangleLine(line, corners);
        switch (fastFace ? LineKind::Face : classify(line)) {
        case LineKind::Vertex:
            if (!readTriple(line.substr(1)))
                return dependent();
            c.positions.insert(c.positions.end(), xyz, xyz + 3);
            break;
        case LineKind::Colour:
            if (!readTriple(line.substr(2)))
                return dependent();
            c.colours.emplace_back(xyz[0], xyz[1], xyz[2], 1.0f);
            break;
        case LineKind::FaceColour:
            if (part)
                return dependent();
            detected = false;
            break;
        case LineKind::MorphogenNames:
            if (part)
                return dependent();
            for (std::string_view piece : splitAtBlanks(line))
                c.names.emplace_back(piece);
            break;
        case LineKind::Morphogens: {
            if (part)
                return dependent();
            if (!c.morphogenCountSet) {
                // The piece count, line end included, sets the number of morphogens.
                c.morphogenCount = int(splitAtBlanks(line).size()) - 1;
                c.morphogenCountSet = true;
            }
            ++c.morphogenRows;
            // Every value of a real file takes at least two bytes of it; rows
            // that would need more are not kept (see the check after the pass).
            if (double(c.morphogens.size()) + c.morphogenCount > double(text.size()) / 2.0) {
                c.morphogenOverflow = true;
                break;
            }
            Tokenizer tok(line.substr(1));
            for (int j = 0; j < c.morphogenCount; ++j) {
                if (tok.next() == Tokenizer::TT_NUMBER)
                    lastNumber = tok.nval;
                c.morphogens.push_back(float(lastNumber));
            }
            break;
        }
        case LineKind::Face: {
            if (!fastFace) {
                corners.clear();
                faceCorners(line.substr(1), corners);
            }
            if (corners.size() < 3)
                break;
            lastNumber = corners.back();
            const long long triangles = (long long)corners.size() - 2;
            c.countedFaces += triangles;
            if (corners.size() > 3)
                ++c.polygons;
            // Positive indices count from 1, negative ones back from the vertices
            // read so far; zero and anything out of range drop the face. A part
            // does not know how many were read before it: it keeps its largest
            // corner, and the file is parsed whole when that one is out of range
            // (a face naming only vertices that exist is kept, forward or not).
            const long long readSoFar = (long long)c.positions.size() / 3;
            bool valid = true, forward = false;
            for (double& n : corners) {
                n = std::trunc(n);
                if (n >= 1.0 && n <= double(INT_MAX)) {
                    n -= 1.0;
                    forward = forward || n >= double(readSoFar);
                } else if (part && n <= -1.0) {
                    return dependent();
                } else if (n <= -1.0 && n >= -double(readSoFar)) {
                    n += double(readSoFar);
                } else {
                    valid = false;
                }
            }
            if (!valid) {
                c.droppedFaces += triangles;
                break;
            }
            if (part) {
                for (double n : corners)
                    part->maxCorner = std::max(part->maxCorner, (long long)n);
            } else if (forward) {
                c.forwardPolygons.push_back(c.triangles.size());
                c.forwardPolygons.push_back(c.triangles.size() + std::size_t(3 * triangles));
            }
            for (std::size_t t = 1; t + 1 < corners.size(); ++t) {
                c.triangles.push_back(int(corners[0]));
                c.triangles.push_back(int(corners[t]));
                c.triangles.push_back(int(corners[t + 1]));
            }
            break;
        }
        default:
            break;
        }
        return true;
    });
    if (part)
        return;

    // Faces naming a vertex beyond the last one are dropped whole.
    const long long nv = (long long)c.positions.size() / 3;
    for (std::size_t i = 0; i < c.forwardPolygons.size(); i += 2) {
        const std::size_t begin = c.forwardPolygons[i], end = c.forwardPolygons[i + 1];
        bool valid = true;
        for (std::size_t k = begin; k < end; ++k)
            valid = valid && c.triangles[k] < nv;
        if (!valid) {
            for (std::size_t k = begin; k < end; ++k)
                c.triangles[k] = -1;
            c.droppedFaces += (long long)(end - begin) / 3;
        }
    }
}

// Joins the parts parsed apart into c in file order, which gives what one pass
// over the whole text gives. False, c untouched, when some line depends on the
// lines before its part.
template <class Contents, class States>
bool joinParts(Contents& content, const States& state, ObjContent& c)
{
    std::size_t positions = 0, triangles = 0;
    long long maxCorner = -1;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (!state[i].independent)
            return false;
        positions += content[i].positions.size();
        triangles += content[i].triangles.size();
        maxCorner = std::max(maxCorner, state[i].maxCorner);
    }
    if (maxCorner >= (long long)(positions / 3))
        return false;
    c.positions.reserve(positions);
    c.triangles.reserve(triangles);
    bool detected = false;
    for (std::size_t i = 0; i < content.size(); ++i) {
        ObjContent& p = content[i];
        appendAndRelease(c.positions, p.positions);
        appendAndRelease(c.triangles, p.triangles);
        appendAndRelease(c.colours, p.colours);
        // The file's face format is that of its first 'f' line.
        if (!detected && state[i].sawFace) {
            c.formatType = p.formatType;
            detected = true;
        }
        c.countedFaces += p.countedFaces;
        c.polygons += p.polygons;
        c.droppedFaces += p.droppedFaces;
    }
    return true;
}

// Parses the file in parts on every core and joins them in file order. Returns
// false, c untouched, when some line depends on the lines before its part.
bool parseObjInParts(std::string_view text, ObjContent& c, Progress* progress)
{
    const unsigned workers = workerCount(double(text.size()));
    const std::vector<std::size_t> starts = lineParts(text, workers);
    const std::size_t parts = starts.size() - 1;
    std::vector<ObjContent> content(parts);
    std::vector<ObjPart> state(parts);
    std::atomic<bool> dependent { false };
    readLineParts(text, starts, workers, progress, [&](std::size_t i, std::string_view part) {
        parseObj(part, content[i], nullptr, &state[i]);
        if (!state[i].independent)
            dependent = true;
        return !dependent;
    });
    return !dependent && joinParts(content, state, c);
}

// How far parseWhileInflating() came.
enum class Inflated { No, TextOnly, Parsed };

// A compressed file parsed in parts while it is inflated: worker 0 inflates,
// telling how far the text is final, and the others parse the parts as far as
// it goes, cut as lineParts() cuts the whole text; worker 0 parses with them
// once it is done. Parsed: c holds what one pass gives. TextOnly: a line depends on
// the lines before its part, and text holds the whole file for one pass. No:
// the fast way could not inflate it, and gunzip() is left to say why.
Inflated parseWhileInflating(
    std::string_view compressed, LargeText& text, ObjContent& c, Progress* progress)
{
    const std::size_t room = gunzipRoom(compressed);
    if (room == 0 || !readInParts(room))
        return Inflated::No;
    const unsigned workers = workerCount(double(room));
    const std::size_t partBytes = std::max<std::size_t>(partBytesFor(room, workers), 1);
    // The parts' content, made as they are handed out (a deque keeps the
    // places of those made before).
    std::deque<ObjContent> content;
    std::deque<ObjPart> state;

    std::mutex mutex;
    std::condition_variable changed;
    const char* base = nullptr; // the text, once inflating has begun
    std::size_t ready = 0; // how much of it is final
    bool ended = false, inflated = false, dependent = false;
    std::vector<std::size_t> starts { 0 };
    std::size_t handed = 0;
    const auto tell = [&](auto change) {
        {
            const std::lock_guard lock(mutex);
            change();
        }
        changed.notify_all();
    };
    // The next part to parse, where it goes and how far into the text it
    // starts; false when there is none, or no use in more.
    const auto take = [&](std::string_view& part, ObjContent*& into, ObjPart*& intoState,
                          double& fraction) {
        std::unique_lock lock(mutex);
        for (;;) {
            if (dependent || (ended && !inflated))
                return false;
            const std::string_view made(base, ready);
            while (starts.back() < made.size()) {
                const std::size_t end = linescan::partEnd(made, starts.back(), partBytes, ended);
                if (end == std::string_view::npos)
                    break;
                starts.push_back(end);
            }
            if (handed + 1 < starts.size()) {
                const std::size_t i = handed++;
                part = made.substr(starts[i], starts[i + 1] - starts[i]);
                into = &content.emplace_back();
                intoState = &state.emplace_back();
                fraction = double(starts[i]) / double(room);
                return true;
            }
            if (ended)
                return false;
            changed.wait(lock);
        }
    };
    runWorkers(workers, [&](unsigned w) {
        if (w == 0) {
            bool ok = false;
            try {
                ok = gunzipInPlace(
                    compressed, text, std::min<std::size_t>(partBytes, 1 << 20),
                    [&](std::size_t n) {
                        tell([&] {
                            if (!base)
                                base = text.data();
                            ready = n;
                        });
                    },
                    progress);
            } catch (const std::bad_alloc&) {
                // gunzip() tries again and says why it cannot.
            } catch (...) {
                // A stop: the others are let go before it goes on.
                tell([&] { ended = true; });
                throw;
            }
            tell([&] {
                inflated = ok;
                ended = true;
            });
        }
        std::string_view part;
        ObjContent* into = nullptr;
        ObjPart* intoState = nullptr;
        double fraction = 0.0;
        while (take(part, into, intoState, fraction)) {
            if (!checkIn(progress, w, "Parsing", fraction))
                return;
            parseObj(part, *into, nullptr, intoState);
            if (!intoState->independent)
                tell([&] { dependent = true; });
        }
    });
    if (!inflated)
        return Inflated::No;
    // A worker that saw a stop left its part unparsed: end here.
    reportProgress(progress, "Parsing", 1.0);
    if (dependent || starts.back() != text.size())
        return Inflated::TextOnly;
    return joinParts(content, state, c) ? Inflated::Parsed : Inflated::TextOnly;
}

} // namespace

bool readObj(Mesh& mesh, const std::string& path, ObjReadReport* report, std::string* problem,
    Progress* progress)
{
    std::cout << "Opening: " << path << std::endl;
    if (report)
        *report = ObjReadReport();
    LargeText text;
    // One pass gathers everything into compact scratch arrays; then each mesh
    // array is allocated exactly once, at its final size.
    ObjContent c;
    try {
        // A compressed file is parsed as it is inflated where the fast way
        // inflates it.
        Inflated got = Inflated::No;
        if (!readWholeFile(path, text, problem, progress, [&](std::string_view compressed) {
                got = parseWhileInflating(compressed, text, c, progress);
                return got != Inflated::No;
            }))
            return false;
        if (got == Inflated::TextOnly)
            parseObj(text, c, progress);
        else if (got == Inflated::No
            && (!readInParts(text.size()) || !parseObjInParts(text, c, progress)))
            parseObj(text, c, progress);
    } catch (const std::bad_alloc&) {
        return readFailed(path, "is too large to read into memory", problem);
    }
    const std::size_t textSize = text.size();
    LargeText().swap(text);

    if (!c.names.empty())
        c.names.erase(c.names.begin());
    // The line end stays off the last name.
    if (!c.names.empty()) {
        c.names.back() = std::string(trimLineEnd(c.names.back()));
        if (c.names.back().empty())
            c.names.pop_back();
    }
    mesh.morphogenNames = std::move(c.names);

    const long long vertexCount = (long long)c.positions.size() / 3;
    if (vertexCount > INT_MAX || c.countedFaces > INT_MAX) {
        return readFailed(path,
            "has more vertices or faces than can be held (" + std::to_string(vertexCount) + ", "
                + std::to_string(c.countedFaces) + ")",
            problem);
    }
    const int nv = int(vertexCount);
    // Short "m" lines are filled up to the count of the first one, so a small
    // file could ask for more values than memory holds: a file with more
    // morphogen values than it has room to write is read without them.
    if (c.morphogenCount > 0
        && (c.morphogenOverflow
            || double(nv) * double(c.morphogenCount) > double(textSize) / 2.0)) {
        sayLoss(report,
            "ignoring the morphogens: " + std::to_string(nv) + " vertices with "
                + std::to_string(c.morphogenCount) + " values each do not fit in this file");
        c.morphogenCount = 0;
        c.morphogenRows = 0;
        std::vector<float>().swap(c.morphogens);
    }
    std::printf("nv: %d, nf: %d\n", nv, int(c.countedFaces));
    std::printf("faceformat_type: %d\n", c.formatType);
    if (c.polygons > 0)
        std::printf("triangulated %lld polygons\n", c.polygons);

    int storedFaces = 0;
    for (std::size_t t = 0; t < c.triangles.size(); t += 3)
        storedFaces += c.triangles[t] >= 0;
    if (!mesh.allocateVertices(nv) || !mesh.allocateFaces(storedFaces)
        || !mesh.allocateMorphogens(nv, c.morphogenCount)) {
        mesh.clear();
        return readFailed(path, "is too large to hold in memory", problem);
    }
    forEachShared(std::size_t(nv), nullptr, {}, 0xffff, [&](std::size_t i) {
        const float* p = &c.positions[3 * i];
        mesh.vertices[i] = Vector(p[0], p[1], p[2], 1.0f);
    });
    LargeVector<float>().swap(c.positions);
    const std::size_t colours = std::min(c.colours.size(), std::size_t(nv));
    for (std::size_t i = 0; i < colours; ++i)
        mesh.vertexColours[i] = c.colours[i];
    mesh.vertexColoursSet = colours > 0;
    const long long rows = std::min<long long>(c.morphogenRows, nv);
    if (c.morphogenCount > 0) {
        for (long long r = 0; r < rows; ++r) {
            auto& row = mesh.morphogenValues[std::size_t(r)];
            for (int j = 0; j < c.morphogenCount; ++j)
                row[std::size_t(j)]
                    = c.morphogens[std::size_t(r) * std::size_t(c.morphogenCount) + std::size_t(j)];
        }
    }
    const auto storeFace = [&](int f, std::size_t t) {
        Face& face = mesh.faces[std::size_t(f)];
        face.index[0] = c.triangles[t];
        face.index[1] = c.triangles[t + 1];
        face.index[2] = c.triangles[t + 2];
    };
    if (std::size_t(storedFaces) * 3 == c.triangles.size()) {
        forEachShared(std::size_t(storedFaces), nullptr, {}, 0xffff,
            [&](std::size_t f) { storeFace(int(f), 3 * f); });
    } else {
        int f = 0;
        for (std::size_t t = 0; t + 2 < c.triangles.size(); t += 3)
            if (c.triangles[t] >= 0)
                storeFace(f++, t);
    }

    const long long nonFinite = replaceNonFinite(mesh.vertices);
    if (report) {
        report->formatType = c.formatType;
        report->droppedFaces = c.droppedFaces;
        report->coloursRead = int(colours);
    }
    if (c.droppedFaces > 0) {
        sayLoss(report,
            "dropped " + std::to_string(c.droppedFaces)
                + " faces with vertex indices out of range");
    }
    if (c.colours.size() > std::size_t(nv)) {
        sayLoss(report,
            "dropped " + std::to_string(c.colours.size() - std::size_t(nv))
                + " vertex colours beyond the " + std::to_string(nv) + " vertices");
    }
    if (c.morphogenCount > 0 && c.morphogenRows > nv) {
        sayLoss(report,
            "dropped " + std::to_string(c.morphogenRows - nv) + " morphogen rows beyond the "
                + std::to_string(nv) + " vertices");
    }
    if (nonFinite > 0)
        sayLoss(report, "replaced " + std::to_string(nonFinite) + " non-finite coordinates by 0");
    if (c.notNumbers > 0) {
        sayLoss(report,
            std::to_string(c.notNumbers)
                + " coordinates are not numbers: each kept the value before it");
    }
    return true;
}
