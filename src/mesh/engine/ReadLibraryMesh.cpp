#include "mesh/engine/ReadLibraryMesh.h"

#include "mesh/engine/FlatMesh.h"
#include "mesh/engine/Gzip.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/LineScan.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/ReadFile.h"
#include "mesh/engine/ReadOff.h"
#include "mesh/engine/ReadPly.h"
#include "mesh/engine/ReadStl.h"

#include <OpenMesh/Core/IO/IOManager.hh>
#include <OpenMesh/Core/IO/importer/BaseImporter.hh>
#include <OpenMesh/Core/IO/reader/OFFReader.hh>
#include <OpenMesh/Core/System/omstream.hh>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <locale.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace OpenMesh;
using namespace OpenMesh::IO;

// Takes the library reader's vertices and faces straight into a flat mesh,
// without building the library's own connectivity: polygons are fanned from
// their first corner as the OBJ reader does, and faces naming a vertex that does
// not exist are dropped and counted. A stop asked of progress is heard every
// few thousand vertices or faces and thrown through the library's reader.
class FlatImporter : public BaseImporter
{
public:
    FlatImporter(FlatMesh& flat, std::size_t byteBudget, Progress* progress)
        : flat_(flat)
        , byteBudget_(byteBudget)
        , progress_(progress)
    { }

    VertexHandle add_vertex(const Vec3f& p) override
    {
        tick();
        flat_.positions.insert(flat_.positions.end(), { p[0], p[1], p[2] });
        if (hasColours_)
            flat_.colours.emplace_back(0.0f, 0.0f, 0.0f, 1.0f);
        return VertexHandle(int(flat_.vertexCount() - 1));
    }
    VertexHandle add_vertex() override { return add_vertex(Vec3f(0.0f, 0.0f, 0.0f)); }
    HalfedgeHandle add_edge(VertexHandle, VertexHandle) override { return HalfedgeHandle(); }
    FaceHandle add_face(const VHandles& corners) override
    {
        tick();
        indices_.clear();
        for (const VertexHandle& v : corners)
            indices_.push_back(v.idx());
        if (!flat_.addFace(indices_.data(), indices_.size(), flat_.vertexCount()))
            return FaceHandle();
        return FaceHandle(int(flat_.triangles.size() / 3 - 1));
    }
    FaceHandle add_face(HalfedgeHandle) override { return FaceHandle(); }
    void add_face_texcoords(FaceHandle, VertexHandle, const std::vector<Vec2f>&) override { }
    void add_face_texcoords(FaceHandle, VertexHandle, const std::vector<Vec3f>&) override { }
    void set_face_texindex(FaceHandle, int) override { }
    void set_point(VertexHandle v, const Vec3f& p) override
    {
        if (valid(v))
            std::copy(
                p.data(), p.data() + 3, flat_.positions.begin() + 3 * std::ptrdiff_t(v.idx()));
    }
    void set_halfedge(VertexHandle, HalfedgeHandle) override { }
    void set_normal(VertexHandle, const Vec3f&) override { }
    void set_normal(VertexHandle, const Vec3d&) override { }
    void set_color(VertexHandle v, const Vec3uc& c) override
    {
        colour(v, c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f);
    }
    void set_color(VertexHandle v, const Vec4uc& c) override
    {
        colour(v, c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f);
    }
    void set_color(VertexHandle v, const Vec3f& c) override { colour(v, c[0], c[1], c[2]); }
    void set_color(VertexHandle v, const Vec4f& c) override { colour(v, c[0], c[1], c[2]); }
    void set_texcoord(VertexHandle, const Vec2f&) override { }
    void set_status(VertexHandle, const Attributes::StatusInfo&) override { }
    void set_next(HalfedgeHandle, HalfedgeHandle) override { }
    void set_face(HalfedgeHandle, FaceHandle) override { }
    void request_face_texcoords2D() override { }
    void set_texcoord(HalfedgeHandle, const Vec2f&) override { }
    void set_texcoord(VertexHandle, const Vec3f&) override { }
    void set_texcoord(HalfedgeHandle, const Vec3f&) override { }
    void set_status(HalfedgeHandle, const Attributes::StatusInfo&) override { }
    void set_color(EdgeHandle, const Vec3uc&) override { }
    void set_color(EdgeHandle, const Vec4uc&) override { }
    void set_color(EdgeHandle, const Vec3f&) override { }
    void set_color(EdgeHandle, const Vec4f&) override { }
    void set_status(EdgeHandle, const Attributes::StatusInfo&) override { }
    void set_normal(FaceHandle, const Vec3f&) override { }
    void set_normal(FaceHandle, const Vec3d&) override { }
    void set_color(FaceHandle, const Vec3uc&) override { }
    void set_color(FaceHandle, const Vec4uc&) override { }
    void set_color(FaceHandle, const Vec3f&) override { }
    void set_color(FaceHandle, const Vec4f&) override { }
    void set_status(FaceHandle, const Attributes::StatusInfo&) override { }
    void add_texture_information(int, std::string) override { }
    bool is_triangle_mesh() const override { return false; }
    void reserve(unsigned int nV, unsigned int, unsigned int nF) override
    {
        // Header counts are only a hint, and a hostile one: reserve no more than
        // the file's bytes could describe (a vertex takes at least 12 bytes, a
        // face at least 13 in binary form).
        const std::size_t maxVertices = byteBudget_ / 12, maxFaces = byteBudget_ / 13;
        flat_.positions.reserve(3 * std::min<std::size_t>(nV, maxVertices));
        flat_.triangles.reserve(3 * std::min<std::size_t>(nF, maxFaces));
        expected_ = std::size_t(nV) + std::size_t(nF);
    }
    size_t n_vertices() const override { return flat_.positions.size() / 3; }
    size_t n_faces() const override { return flat_.triangles.size() / 3; }
    size_t n_edges() const override { return 0; }

private:
    bool valid(VertexHandle v) const
    {
        return v.idx() >= 0 && std::size_t(v.idx()) < flat_.positions.size() / 3;
    }
    void colour(VertexHandle v, float r, float g, float b)
    {
        if (!valid(v))
            return;
        if (!hasColours_) {
            hasColours_ = true;
            flat_.colours.assign(flat_.positions.size() / 3, Vector(0.0f, 0.0f, 0.0f, 1.0f));
        }
        flat_.colours[std::size_t(v.idx())] = Vector(r, g, b, 1.0f);
    }
    void tick()
    {
        if ((++added_ & 4095) == 0)
            reportProgress(progress_, "Parsing",
                expected_ > 0 ? std::min(1.0, double(added_) / double(expected_)) : 0.0);
    }

    FlatMesh& flat_;
    std::size_t byteBudget_;
    Progress* progress_;
    std::vector<int> indices_;
    std::size_t added_ = 0;
    std::size_t expected_ = 0;
    bool hasColours_ = false;
};

// What the library's OFF reader makes of the first line: [ST][C][N][4][n]OFF,
// then one character of any kind, then BINARY for a binary body.
struct OffFirstLine
{
    bool binary = false;
    bool texCoords = false, colours = false, normals = false;
};

OffFirstLine offFirstLine(std::string_view bytes)
{
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    // The characters the library takes in, line feed included; past them its
    // buffer holds a terminating zero.
    std::ptrdiff_t remaining = std::ptrdiff_t(std::min<std::size_t>(end + 1, bytes.size()));
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return k < end ? bytes[k] : '\0'; };
    OffFirstLine line;
    if (remaining > 1 && at(0) == 'S' && at(1) == 'T') {
        line.texCoords = true;
        i += 2;
        remaining -= 2;
    }
    const auto flag = [&](char c) {
        if (remaining > 0 && at(i) == c) {
            ++i;
            --remaining;
            return true;
        }
        return false;
    };
    line.colours = flag('C');
    line.normals = flag('N');
    flag('4');
    flag('n');
    i += 4;
    remaining = remaining >= 4 ? remaining - 4 : 0;
    line.binary = remaining >= 6 && at(i) == 'B' && bytes.compare(i, 6, "BINARY") == 0;
    return line;
}

// A binary body is read value by value for as many entries as its counts say,
// on past the end of the file: the counts and every face's corner count must
// fit the bytes that follow. Values are 4-byte words; a vertex is three of them,
// and three more for each of normals and colours, two for texture coordinates.
bool offBinaryBodyFits(std::string_view bytes, const OffFirstLine& line, std::string& why)
{
    const std::size_t newline = bytes.find('\n');
    std::size_t at = newline == std::string::npos ? bytes.size() : newline + 1;
    const auto word = [&](std::uint64_t& value) {
        if (bytes.size() - at < 4)
            return false;
        unsigned char b[4];
        std::memcpy(b, bytes.data() + at, 4);
        value = std::uint64_t(b[0]) | std::uint64_t(b[1]) << 8 | std::uint64_t(b[2]) << 16
            | std::uint64_t(b[3]) << 24;
        at += 4;
        return true;
    };
    std::uint64_t vertices = 0, faces = 0, edges = 0;
    if (!word(vertices) || !word(faces) || !word(edges)) {
        why = "has no vertex and face counts";
        return false;
    }
    const std::uint64_t stride
        = 12 + (line.normals ? 12 : 0) + (line.colours ? 12 : 0) + (line.texCoords ? 8 : 0);
    if (vertices * stride > bytes.size() - at || faces * 4 > bytes.size() - at) {
        why = "announces more vertices or faces than the file holds";
        return false;
    }
    at += std::size_t(vertices * stride);
    for (std::uint64_t f = 0; f < faces; ++f) {
        std::uint64_t corners = 0;
        if (!word(corners) || corners * 4 > bytes.size() - at) {
            why = "announces more corners than the file holds";
            return false;
        }
        at += std::size_t(corners * 4);
    }
    return true;
}

// The library's text stream as the OFF reader uses it, over the bytes after the
// first line: numbers taken with >> and lines with getline, with the stream's
// states. A value the stream does not store (it has failed, or only blanks were
// left) keeps what it held before, as the stream's own variables do.
class OffTextStream
{
public:
    OffTextStream(std::string_view bytes, std::size_t at)
        : bytes_(bytes)
        , at_(at)
    { }

    bool failed() const { return failed_; }
    bool atEnd() const { return eof_; }
    std::size_t remaining() const { return bytes_.size() - at_; }

    // >> into an unsigned int: a sign, then decimal digits; a minus wraps, a
    // number past the type's range stores its largest value and fails.
    // Returns whether value was stored.
    bool readCount(std::uint64_t& value)
    {
        if (!skipBlanks())
            return false;
        std::string text;
        if (at_ < bytes_.size() && (bytes_[at_] == '+' || bytes_[at_] == '-'))
            text += bytes_[at_++];
        while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9')
            text += bytes_[at_++];
        eof_ = at_ == bytes_.size();
        const bool negative = !text.empty() && text[0] == '-';
        const std::size_t signs = !text.empty() && (negative || text[0] == '+') ? 1 : 0;
        if (text.size() == signs) {
            value = 0;
            failed_ = true;
            return true;
        }
        std::uint64_t n = 0;
        bool over = false;
        for (std::size_t i = signs; i < text.size() && !over; ++i) {
            n = n * 10 + std::uint64_t(text[i] - '0');
            over = n > 0xffffffffu;
        }
        if (over) {
            value = 0xffffffffu;
            failed_ = true;
        } else {
            value = negative ? (0x100000000u - n) & 0xffffffffu : n;
        }
        return true;
    }

    // >> into a float: sign, digits, one point, then an exponent after a digit;
    // what was taken must convert whole and within range.
    void readFloat()
    {
        if (!skipBlanks())
            return;
        std::string text;
        const auto take = [&](auto accept) {
            if (at_ < bytes_.size() && accept(bytes_[at_])) {
                text += bytes_[at_++];
                return true;
            }
            return false;
        };
        const auto sign = [](char c) { return c == '+' || c == '-'; };
        const auto digit = [](char c) { return c >= '0' && c <= '9'; };
        take(sign);
        bool mantissa = false, point = false;
        for (;;) {
            if (take(digit)) {
                mantissa = true;
            } else if (!point && take([](char c) { return c == '.'; })) {
                point = true;
            } else if (mantissa && take([](char c) { return c == 'e' || c == 'E'; })) {
                take(sign);
                while (take(digit)) { }
                break;
            } else {
                break;
            }
        }
        eof_ = at_ == bytes_.size();
        static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
        char* end = nullptr;
        const float value = ::strtof_l(text.c_str(), &end, c);
        if (text.empty() || end != text.c_str() + text.size() || std::isinf(value))
            failed_ = true;
    }

    // getline: up to and past the next line feed. Returns what the library
    // spends on the line taken: it looks for colours in it after trimming its
    // blanks one copy of the line at a time, at both ends.
    std::uint64_t skipLine()
    {
        if (failed_ || eof_) {
            failed_ = true;
            return 0;
        }
        const std::size_t start = at_;
        const std::size_t newline = bytes_.find('\n', at_);
        if (newline == std::string::npos) {
            failed_ = at_ == bytes_.size();
            at_ = bytes_.size();
            eof_ = true;
        } else {
            at_ = newline + 1;
        }
        const std::size_t end = newline == std::string::npos ? bytes_.size() : newline;
        std::size_t first = start, last = end;
        while (first < end && isBlank(bytes_[first]))
            ++first;
        while (last > first && isBlank(bytes_[last - 1]))
            --last;
        return std::uint64_t(first - start + end - last) * (end - start);
    }

private:
    static bool isBlank(char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }

    // The sentry: a failed stream, or blanks to the end, store nothing.
    bool skipBlanks()
    {
        if (failed_ || eof_) {
            failed_ = true;
            return false;
        }
        while (at_ < bytes_.size() && isBlank(bytes_[at_]))
            ++at_;
        if (at_ == bytes_.size()) {
            eof_ = failed_ = true;
            return false;
        }
        return true;
    }

    std::string_view bytes_;
    std::size_t at_;
    bool failed_ = false;
    bool eof_ = false;
};

// A text body read as the library reads it: the counts after the first line,
// per vertex three numbers (three more with normals) and the rest of the line,
// per face a corner count and as many indices (and the rest of the line with
// colours). The library collects a face's corners before it looks at them, so a
// count of 2^31 takes 8 GB: each corner must fit in the bytes that remain, at
// least two ("0 "). Once its stream has failed the library reads nothing more,
// and every face left repeats the last corner count with the indices it
// holds: those together must fit the file, and the indices must have been read.
bool offTextBodyFits(std::string_view bytes, const OffFirstLine& line, std::string& why)
{
    const std::size_t newline = bytes.find('\n');
    OffTextStream in(bytes, newline == std::string::npos ? bytes.size() : newline + 1);
    if (newline == std::string::npos) {
        why = "has no vertex and face counts";
        return false;
    }
    std::uint64_t vertices = 0, faces = 0, edges = 0;
    if (!in.readCount(vertices) || !in.readCount(faces) || !in.readCount(edges) || in.failed()) {
        why = "has no vertex and face counts";
        return false;
    }
    // Every vertex takes at least six bytes of text ("0 0 0\n") and every face
    // eight ("3 0 1 2\n").
    if (vertices * 6 + faces * 8 > bytes.size()) {
        why = "announces more vertices or faces than the file holds";
        return false;
    }
    // Trimming a line's blanks costs the library their number times the line's
    // length: a 400 kB file with one long run of blanks took 11 s.
    const std::uint64_t trimBudget = 64 * std::uint64_t(bytes.size()) + (std::uint64_t(1) << 24);
    std::uint64_t trimCost = 0;
    for (std::uint64_t v = 0; v < vertices && !in.atEnd() && !in.failed(); ++v) {
        for (int k = 0; k < (line.normals ? 6 : 3); ++k)
            in.readFloat();
        trimCost += in.skipLine();
    }
    // The library's corner count shares its variable with the vertex count;
    // a triangle's indices go to three variables, a polygon's to a fourth (and
    // its loop counter is the triangle's first).
    std::uint64_t corners = vertices;
    bool stored[4] = { false, false, false, false };
    std::uint64_t f = 0;
    for (; f < faces && !in.failed(); ++f) {
        in.readCount(corners);
        if (in.failed())
            break;
        if (corners * 2 > in.remaining()) {
            why = "announces more corners than the file holds";
            return false;
        }
        std::uint64_t index = 0;
        if (corners == 3) {
            for (int k = 0; k < 3; ++k)
                stored[k] = in.readCount(index) || stored[k];
        } else {
            for (std::uint64_t k = 0; k < corners; ++k)
                stored[3] = in.readCount(index) || stored[3];
            stored[0] = true;
        }
        if (line.colours)
            trimCost += in.skipLine();
    }
    if (trimCost > trimBudget) {
        why = "has lines padded with too many blanks";
        return false;
    }
    if (f < faces && corners > 0) {
        const bool indicesRead = corners == 3 ? stored[0] && stored[1] && stored[2] : stored[3];
        if (corners > bytes.size() / 2 / (faces - f) || !indicesRead) {
            why = "announces more corners than the file holds";
            return false;
        }
    }
    return true;
}

// The library's OFF reader believes the counts and reads on past the end of
// the file for as many entries as they announce. The body, text or binary, is
// walked through whole as the library will read it first.
bool offHeaderIsSound(std::string_view bytes, std::string& why)
{
    const std::string head(bytes.substr(0, 4096));
    std::vector<std::string> words;
    for (std::size_t i = 0; i < head.size() && words.empty();) {
        const unsigned char c = (unsigned char)head[i];
        if (c == '#') {
            while (i < head.size() && head[i] != '\n')
                ++i;
        } else if (c <= ' ') {
            ++i;
        } else {
            const std::size_t start = i;
            while (i < head.size() && (unsigned char)head[i] > ' ')
                ++i;
            words.push_back(head.substr(start, i - start));
        }
    }
    const std::string keyword = words.empty() ? std::string() : words[0];
    if (keyword.size() < 3 || keyword.compare(keyword.size() - 3, 3, "OFF") != 0
        || keyword.find_first_not_of("STCN4OF") != std::string::npos) {
        why = "does not start with an OFF keyword";
        return false;
    }
    const OffFirstLine line = offFirstLine(bytes);
    if (line.binary)
        return offBinaryBodyFits(bytes, line, why);
    return offTextBodyFits(bytes, line, why);
}

// The library's OFF reader takes some header flags (COFF colours among them)
// only when it reads a named file, so bytes that are no plain file on disk
// (inflated, or read from a FIFO) go to a temporary file of the same suffix
// first.
class TemporaryCopy
{
public:
    bool make(std::string_view bytes, const char* ext, std::string& why)
    {
        const char* dir = std::getenv("TMPDIR");
        std::string name = std::string(dir && *dir ? dir : "/tmp") + "/facetra-XXXXXX." + ext;
        const int fd = ::mkstemps(name.data(), int(std::strlen(ext)) + 1);
        if (fd < 0) {
            why = "could not be copied to a temporary file";
            return false;
        }
        name_ = name;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += std::size_t(n);
        }
        ::close(fd);
        if (done != bytes.size())
            why = "could not be copied to a temporary file";
        return done == bytes.size();
    }
    ~TemporaryCopy()
    {
        if (!name_.empty())
            std::remove(name_.c_str());
    }
    TemporaryCopy() = default;
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

// The library's own complaints would interleave with ours: one line of ours
// says what failed. They are heard again however the read ends.
struct QuietLibrary
{
    QuietLibrary()
    {
        omerr().disable();
        omlog().disable();
    }
    ~QuietLibrary()
    {
        omerr().enable();
        omlog().enable();
    }
    QuietLibrary(const QuietLibrary&) = delete;
    QuietLibrary& operator=(const QuietLibrary&) = delete;
};

// An OFF file through the library's reader: a plain file by its name, anything
// else (compressed, a FIFO, a file that does not know its size) through a
// temporary copy of its bytes.
bool readOff(const std::string& path, FlatMesh& flat, std::string& why, std::string* problem,
    Progress* progress)
{
    LargeText bytes;
    if (!readWholeFile(path, bytes, problem, progress))
        return false;
    if (parsePlainOff(bytes, flat, progress))
        return true;
    if (!offHeaderIsSound(bytes, why))
        return false;
    struct stat status = {};
    const bool plain = !hasGzipSuffix(path) && ::stat(path.c_str(), &status) == 0
        && S_ISREG(status.st_mode) && std::uint64_t(status.st_size) == bytes.size();
    TemporaryCopy copy;
    if (!plain && !copy.make(bytes, "off", why))
        return false;
    const std::size_t budget = bytes.size();
    LargeText().swap(bytes);
    FlatImporter importer(flat, budget, progress);
    Options options = Options::VertexColor;
    const QuietLibrary quiet;
    if (!IOManager().read(plain ? path : copy.name(), importer, options)) {
        why = "could not be read as off";
        return false;
    }
    return true;
}

} // namespace

bool readLibraryMesh(Mesh& mesh, const std::string& path, MeshFileKind kind, ObjReadReport* report,
    std::string* problem, Progress* progress)
{
    std::cout << "Opening: " << path << std::endl;
    if (report)
        *report = ObjReadReport();
    FlatMesh flat;
    std::string why;
    try {
        if (kind == MeshFileKind::Off) {
            if (!readOff(path, flat, why, problem, progress))
                return why.empty() ? false : readFailed(path, why, problem);
        } else if (kind == MeshFileKind::Ply || kind == MeshFileKind::Stl) {
            LargeText bytes;
            if (!readWholeFile(path, bytes, problem, progress))
                return false;
            const bool parsed = kind == MeshFileKind::Ply ? parsePly(bytes, flat, why, progress)
                                                          : parseStl(bytes, flat, why, progress);
            if (!parsed)
                return readFailed(path, why, problem);
        } else {
            return readFailed(path, "no reader for this kind of file", problem);
        }
    } catch (const std::bad_alloc&) {
        return readFailed(path, "is too large to read into memory", problem);
    }
    const long long nv = flat.vertexCount();
    const long long nf = (long long)(flat.triangles.size() / 3);
    if (nv > std::numeric_limits<int>::max() || nf > std::numeric_limits<int>::max()) {
        return readFailed(path,
            "has more vertices or faces than can be held (" + std::to_string(nv) + ", "
                + std::to_string(nf) + ")",
            problem);
    }
    if (kind == MeshFileKind::Stl && nf == 0)
        return readFailed(path, "holds no complete facet", problem);
    std::printf("nv: %lld, nf: %lld\n", nv, nf);
    if (flat.polygons > 0)
        std::printf("triangulated %lld polygons\n", flat.polygons);
    if (!mesh.allocateVertices(int(nv)) || !mesh.allocateFaces(int(nf))) {
        mesh.clear();
        return readFailed(path, "is too large to hold in memory", problem);
    }
    forEachShared(std::size_t(nv), nullptr, {}, 0xffff, [&](std::size_t i) {
        const float* p = &flat.positions[3 * i];
        mesh.vertices[i] = Vector(p[0], p[1], p[2], 1.0f);
    });
    const long long nonFinite = replaceNonFinite(mesh.vertices);
    const bool coloured = !flat.colours.empty();
    if (coloured) {
        std::copy(flat.colours.begin(),
            flat.colours.begin() + std::min<long long>(nv, (long long)flat.colours.size()),
            mesh.vertexColours.begin());
        mesh.vertexColoursSet = true;
    }
    forEachShared(std::size_t(nf), nullptr, {}, 0xffff, [&](std::size_t f) {
        Face& face = mesh.faces[f];
        for (std::size_t k = 0; k < 3; ++k)
            face.index[k] = flat.triangles[3 * f + k];
    });
    if (flat.outOfRange > 0) {
        sayLoss(report,
            "dropped " + std::to_string(flat.outOfRange)
                + " faces with vertex indices out of range");
    }
    if (flat.tooFewCorners > 0)
        sayLoss(report,
            "dropped " + std::to_string(flat.tooFewCorners) + " faces without three whole corners");
    if (nonFinite > 0)
        sayLoss(report, "replaced " + std::to_string(nonFinite) + " non-finite coordinates by 0");
    if (report) {
        report->droppedFaces = flat.outOfRange + flat.tooFewCorners;
        report->coloursRead = coloured ? int(nv) : 0;
    }
    return true;
}
