#include "mesh/engine/ReadObj.h"

#include "mesh/engine/LineScan.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Tokenizer.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string_view>
#include <vector>

namespace {

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

// Both passes classify lines alike, so the second never finds more vertices than
// the first counted.
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

// Calls fn(line) for every line; the line includes its line feed.
template <class Fn>
void forEachLine(std::string_view text, Fn&& fn)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        const void* nl = std::memchr(text.data() + pos, '\n', text.size() - pos);
        const std::size_t end = nl ? std::size_t(static_cast<const char*>(nl) - text.data()) + 1
                                   : text.size();
        fn(text.substr(pos, end - pos));
        pos = end;
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

// The corner groups of a face line: each group (n, n/t, n/t/m, n//m, n/t/, n//)
// gives its first number. Returns the number of corners; with numbers on, the
// corner values are appended to out.
int faceCorners(std::string_view rest, bool convert, std::vector<double>* out)
{
    Tokenizer tok(rest);
    tok.convertNumbers(convert);
    int corners = 0;
    bool afterSlash = false;
    for (int t = tok.next(); t != Tokenizer::TT_EOF; t = tok.next()) {
        if (t == Tokenizer::TT_NUMBER) {
            if (!afterSlash) {
                ++corners;
                if (out)
                    out->push_back(tok.nval);
            }
            afterSlash = false;
        } else {
            afterSlash = t == '/';
        }
    }
    return corners;
}

struct FirstPass {
    long long vertices = 0;
    long long faces = 0;
    long long polygons = 0;
    int formatType = -1;
    int morphogenCount = 0;
    bool morphogenCountSet = false;
};

void detectFormat(std::string_view line, FirstPass& pass)
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
            pass.formatType = i + 1;
    }
}

} // namespace

bool readWholeFile(const std::string& path, std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    text.clear();
    bool ok = true;
    try {
        char chunk[1 << 16];
        if (std::fseek(file, 0, SEEK_END) == 0) {
            const long size = std::ftell(file);
            if (size > 0)
                text.reserve(std::size_t(size));
            std::rewind(file);
        }
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            text.append(chunk, got);
        ok = !std::ferror(file);
    } catch (const std::bad_alloc&) {
        std::printf("ERROR: not enough memory to read %s\n", path.c_str());
        ok = false;
    }
    std::fclose(file);
    return ok;
}

bool readObj(Mesh& mesh, const std::string& path, ObjReadReport* report)
{
    std::cout << "Opening: " << path << std::endl;
    std::string text;
    if (!readWholeFile(path, text)) {
        std::cerr << "ERROR: Opening File: " << path << std::endl;
        return false;
    }

    // First pass: count, detect the face layout, collect the morphogen names.
    FirstPass pass;
    bool detected = false;
    std::vector<std::string> names;
    forEachLine(text, [&](std::string_view line) {
        if (line.empty())
            return;
        if (line[0] == 'f' && !detected) {
            detectFormat(line, pass);
            detected = true;
        }
        switch (classify(line)) {
        case LineKind::Vertex:
            ++pass.vertices;
            break;
        case LineKind::FaceColour:
            detected = false;
            break;
        case LineKind::Face: {
            const int corners = faceCorners(line.substr(1), false, nullptr);
            if (corners > 3)
                ++pass.polygons;
            if (corners >= 3)
                pass.faces += corners - 2;
            break;
        }
        case LineKind::MorphogenNames:
            for (std::string_view piece : splitAtBlanks(line))
                names.emplace_back(piece);
            break;
        case LineKind::Morphogens:
            if (!pass.morphogenCountSet) {
                pass.morphogenCount = int(splitAtBlanks(line).size()) - 1;
                pass.morphogenCountSet = true;
            }
            break;
        default:
            break;
        }
    });
    if (!names.empty())
        names.erase(names.begin());
    // The line end stays off the last name.
    if (!names.empty()) {
        names.back() = std::string(trimLineEnd(names.back()));
        if (names.back().empty())
            names.pop_back();
    }
    mesh.morphogenNames = std::move(names);

    if (pass.vertices > INT_MAX || pass.faces > INT_MAX) {
        std::printf("ERROR: %s has more vertices or faces than can be held (%lld, %lld)\n",
                    path.c_str(), pass.vertices, pass.faces);
        return false;
    }
    std::printf("nv: %d, nf: %d\n", int(pass.vertices), int(pass.faces));
    std::printf("faceformat_type: %d\n", pass.formatType);
    if (pass.polygons > 0)
        std::printf("triangulated %lld polygons\n", pass.polygons);
    if (!mesh.allocateVertices(int(pass.vertices)) || !mesh.allocateFaces(int(pass.faces))
        || !mesh.allocateMorphogens(int(pass.vertices), pass.morphogenCount)) {
        mesh.clear();
        return false;
    }

    // Second pass: fill the arrays.
    const int nv = mesh.numVertices;
    int nextVertex = 0, nextColour = 0, nextFace = 0, nextRow = 0;
    long long surplusColours = 0, surplusRows = 0, droppedFaces = 0, nonFinite = 0;
    double lastNumber = 0.0;
    float xyz[3] = { 0.0f, 0.0f, 0.0f };
    std::vector<double> corners;

    const auto readTriple = [&](std::string_view rest) {
        Tokenizer tok(rest);
        for (float& c : xyz) {
            if (tok.next() == Tokenizer::TT_NUMBER) {
                lastNumber = tok.nval;
                c = float(tok.nval);
            }
        }
    };

    forEachLine(text, [&](std::string_view line) {
        switch (classify(line)) {
        case LineKind::Vertex:
            readTriple(line.substr(1));
            if (nextVertex < nv)
                mesh.vertices[std::size_t(nextVertex++)] = Vector(xyz[0], xyz[1], xyz[2], 1.0f);
            break;
        case LineKind::Colour:
            readTriple(line.substr(2));
            if (nextColour < nv)
                mesh.vertexColours[std::size_t(nextColour++)]
                    = Vector(xyz[0], xyz[1], xyz[2], 1.0f);
            else
                ++surplusColours;
            break;
        case LineKind::Morphogens: {
            if (pass.morphogenCount == 0 || nextRow >= nv) {
                if (pass.morphogenCount > 0)
                    ++surplusRows;
                ++nextRow;
                break;
            }
            Tokenizer tok(line.substr(1));
            auto& row = mesh.morphogenValues[std::size_t(nextRow)];
            for (int j = 0; j < pass.morphogenCount; ++j) {
                if (tok.next() == Tokenizer::TT_NUMBER)
                    lastNumber = tok.nval;
                row[std::size_t(j)] = float(lastNumber);
            }
            ++nextRow;
            break;
        }
        case LineKind::Face: {
            corners.clear();
            faceCorners(line.substr(1), true, &corners);
            if (corners.size() < 3)
                break;
            lastNumber = corners.back();
            const int triangles = int(corners.size()) - 2;
            int idx[64];
            std::vector<int> bigIdx;
            int* index = idx;
            if (corners.size() > 64) {
                bigIdx.resize(corners.size());
                index = bigIdx.data();
            }
            bool valid = true;
            for (std::size_t k = 0; k < corners.size(); ++k) {
                const double n = std::trunc(corners[k]);
                // Positive indices count from 1, negative ones back from the
                // vertices read so far.
                if (n >= 1.0 && n <= double(nv))
                    index[k] = int(n) - 1;
                else if (n <= -1.0 && n >= -double(nextVertex))
                    index[k] = nextVertex + int(n);
                else
                    valid = false;
            }
            if (!valid) {
                droppedFaces += triangles;
                break;
            }
            for (int t = 0; t < triangles && nextFace < mesh.numFaces; ++t) {
                Face& face = mesh.faces[std::size_t(nextFace)];
                face.index[0] = index[0];
                face.index[1] = index[t + 1];
                face.index[2] = index[t + 2];
                mesh.linkFace(nextFace++);
            }
            break;
        }
        default:
            break;
        }
    });

    nonFinite = replaceNonFinite(mesh.vertices);
    if (nextFace < mesh.numFaces)
        mesh.truncateFaces(nextFace);
    if (report) {
        report->formatType = pass.formatType;
        report->droppedFaces = droppedFaces;
        report->coloursRead = nextColour;
    }
    if (droppedFaces > 0)
        std::printf("dropped %lld faces with vertex indices out of range\n", droppedFaces);
    if (surplusColours > 0)
        std::printf("dropped %lld vertex colours beyond the %d vertices\n", surplusColours, nv);
    if (surplusRows > 0)
        std::printf("dropped %lld morphogen rows beyond the %d vertices\n", surplusRows, nv);
    if (nonFinite > 0)
        std::printf("replaced %lld non-finite coordinates by 0\n", nonFinite);
    return true;
}
