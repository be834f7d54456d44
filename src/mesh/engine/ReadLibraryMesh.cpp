#include "mesh/engine/ReadLibraryMesh.h"

#include "mesh/engine/Gzip.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <OpenMesh/Core/IO/IOManager.hh>
#include <OpenMesh/Core/IO/importer/BaseImporter.hh>
#include <OpenMesh/Core/IO/reader/OFFReader.hh>
#include <OpenMesh/Core/IO/reader/PLYReader.hh>
#include <OpenMesh/Core/IO/reader/STLReader.hh>
#include <OpenMesh/Core/System/omstream.hh>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <new>
#include <set>
#include <unistd.h>
#include <vector>

namespace {

using namespace OpenMesh;
using namespace OpenMesh::IO;

// Takes the library reader's vertices and faces straight into flat arrays,
// without building the library's own connectivity: polygons are fanned from
// their first corner as the OBJ reader does, and faces naming a vertex that does
// not exist are dropped and counted.
class FlatImporter : public BaseImporter
{
public:
    explicit FlatImporter(std::size_t byteBudget)
        : byteBudget_(byteBudget)
    { }

    std::vector<float> positions;
    std::vector<Vector> colours;
    std::vector<int> triangles;
    long long droppedFaces = 0;
    long long polygons = 0;
    bool hasColours = false;

    VertexHandle add_vertex(const Vec3f& p) override
    {
        positions.insert(positions.end(), { p[0], p[1], p[2] });
        if (hasColours)
            colours.emplace_back(0.0f, 0.0f, 0.0f, 1.0f);
        return VertexHandle(int(positions.size() / 3 - 1));
    }
    VertexHandle add_vertex() override { return add_vertex(Vec3f(0.0f, 0.0f, 0.0f)); }
    HalfedgeHandle add_edge(VertexHandle, VertexHandle) override { return HalfedgeHandle(); }
    FaceHandle add_face(const VHandles& corners) override
    {
        if (corners.size() < 3)
            return FaceHandle();
        const long long nv = (long long)(positions.size() / 3);
        for (const VertexHandle& v : corners) {
            if (v.idx() < 0 || v.idx() >= nv) {
                droppedFaces += (long long)corners.size() - 2;
                return FaceHandle();
            }
        }
        if (corners.size() > 3)
            ++polygons;
        for (std::size_t t = 1; t + 1 < corners.size(); ++t)
            triangles.insert(
                triangles.end(), { corners[0].idx(), corners[t].idx(), corners[t + 1].idx() });
        return FaceHandle(int(triangles.size() / 3 - 1));
    }
    FaceHandle add_face(HalfedgeHandle) override { return FaceHandle(); }
    void add_face_texcoords(FaceHandle, VertexHandle, const std::vector<Vec2f>&) override { }
    void add_face_texcoords(FaceHandle, VertexHandle, const std::vector<Vec3f>&) override { }
    void set_face_texindex(FaceHandle, int) override { }
    void set_point(VertexHandle v, const Vec3f& p) override
    {
        if (valid(v))
            std::copy(p.data(), p.data() + 3, positions.begin() + 3 * v.idx());
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
        reserveLarge(positions, 3 * std::min<std::size_t>(nV, maxVertices));
        reserveLarge(triangles, 3 * std::min<std::size_t>(nF, maxFaces));
    }
    size_t n_vertices() const override { return positions.size() / 3; }
    size_t n_faces() const override { return triangles.size() / 3; }
    size_t n_edges() const override { return 0; }

private:
    bool valid(VertexHandle v) const
    {
        return v.idx() >= 0 && std::size_t(v.idx()) < positions.size() / 3;
    }
    void colour(VertexHandle v, float r, float g, float b)
    {
        if (!valid(v))
            return;
        if (!hasColours) {
            hasColours = true;
            colours.assign(positions.size() / 3, Vector(0.0f, 0.0f, 0.0f, 1.0f));
        }
        colours[std::size_t(v.idx())] = Vector(r, g, b, 1.0f);
    }

    std::size_t byteBudget_;
};

const char* extensionOf(MeshFileKind kind)
{
    switch (kind) {
    case MeshFileKind::Ply:
        return "ply";
    case MeshFileKind::Stl:
        return "stl";
    case MeshFileKind::Off:
        return "off";
    default:
        return nullptr;
    }
}

// Binary STL has no magic number: a file not starting with "solid" is binary,
// and its facet count must fit its size, or the library would read past what
// is there. Many exporters start binary files with "solid" too; those pass when
// the size matches the count exactly, and are otherwise read as text.
bool stlSizeFits(const std::string& path, std::uint64_t size)
{
    char head[84];
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got >= 5 && std::memcmp(head, "solid", 5) == 0)
        return true;
    if (got < sizeof head)
        return false;
    std::uint32_t n = 0;
    std::memcpy(&n, head + 80, 4);
    return 84 + std::uint64_t(n) * 50 <= size;
}

// The library's PLY header parser does not stop on every malformed header, and
// it believes the element counts. A header is passed on only when it is whole
// (every line one the format knows, up to "end_header" within the first 64 KiB)
// and its counts fit the bytes that follow: each vertex or face takes at least
// one byte per property in binary files and two in text ones.
bool plyHeaderIsSound(const std::string& path, std::uint64_t size, std::string& why)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::string head(std::size_t(65536), '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    if (head.compare(0, 4, "ply\n") != 0 && head.compare(0, 5, "ply\r\n") != 0) {
        why = "does not start with \"ply\"";
        return false;
    }
    std::size_t pos = head.find('\n') + 1;
    bool binary = false, formatSeen = false;
    double minimumBytes = 0.0;
    double count = -1.0; // no element yet
    static const std::set<std::string> types
        = { "char", "uchar", "short", "ushort", "int", "uint", "float", "double", "int8", "uint8",
              "int16", "uint16", "int32", "uint32", "float32", "float64" };
    while (pos < head.size()) {
        std::size_t end = head.find('\n', pos);
        if (end == std::string::npos)
            break;
        std::string line = head.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> words;
        for (std::size_t i = 0; i < line.size();) {
            while (i < line.size() && line[i] == ' ')
                ++i;
            const std::size_t j = std::min(line.find(' ', i), line.size());
            if (j > i)
                words.push_back(line.substr(i, j - i));
            i = j;
        }
        if (words.empty() || words[0] == "comment" || words[0] == "obj_info")
            continue;
        if (words[0] == "end_header") {
            if (!formatSeen) {
                why = "has no format line";
                return false;
            }
            if (minimumBytes > double(size - pos)) {
                why = "announces more elements than the file holds";
                return false;
            }
            return true;
        }
        if (words[0] == "format" && words.size() == 3) {
            formatSeen = true;
            binary = words[1] != "ascii";
            const bool version = std::all_of(words[2].begin(), words[2].end(),
                [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
            if ((words[1] != "ascii" && words[1] != "binary_little_endian"
                    && words[1] != "binary_big_endian")
                || !version) {
                why = "has an unknown format";
                return false;
            }
        } else if (words[0] == "element" && words.size() == 3
            && std::all_of(words[1].begin(), words[1].end(),
                [](char c) { return std::isalnum((unsigned char)c) || c == '_'; })) {
            const std::string& digits = words[2];
            const bool allDigits = !digits.empty() && digits.size() <= 10
                && std::all_of(
                    digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
            count = allDigits ? std::strtod(digits.c_str(), nullptr) : -1.0;
            if (!allDigits || count > 2147483647.0) {
                why = "has an element count that is not a count";
                return false;
            }
        } else if (words[0] == "property" && count >= 0.0
            && ((words.size() == 3 && types.count(words[1]))
                || (words.size() == 5 && words[1] == "list" && types.count(words[2])
                    && types.count(words[3])))) {
            minimumBytes += count * (binary ? 1.0 : 2.0);
        } else {
            why = "has a header line no PLY reader knows: " + line.substr(0, 40);
            return false;
        }
    }
    why = "has no end to its header";
    return false;
}

// The file's bytes for the library's PLY reader, followed by filler: the reader
// does not stop at the end of every truncated file, so reads past the end get
// zeros (or "0" words in text files), as many as the file is long and then the
// end; having gone there means the file was cut short.
class PaddedBuffer : public std::streambuf
{
public:
    PaddedBuffer(std::string& bytes, bool text)
        : bytes_(bytes)
        , filler_(std::size_t(4096), text ? ' ' : '\0')
        , fillerLeft_(bytes.size() + 65536)
    {
        if (text) {
            for (std::size_t i = 0; i < filler_.size(); i += 2)
                filler_[i] = '0';
        }
        setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
    }
    bool readPastEnd() const { return inFiller_ && gptr() != eback(); }

protected:
    // The reader looks at the header and goes back to the start: seeking works
    // within the file's own bytes.
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override
    {
        if (inFiller_)
            return pos_type(off_type(-1));
        const off_type base = dir == std::ios_base::beg ? 0
            : dir == std::ios_base::cur                 ? off_type(gptr() - eback())
                                                        : off_type(bytes_.size());
        const off_type target = base + off;
        if (target < 0 || target > off_type(bytes_.size()))
            return pos_type(off_type(-1));
        setg(bytes_.data(), bytes_.data() + target, bytes_.data() + bytes_.size());
        return pos_type(target);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode mode) override
    {
        return seekoff(off_type(pos), std::ios_base::beg, mode);
    }

    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        if (fillerLeft_ == 0)
            return traits_type::eof();
        inFiller_ = true;
        const std::size_t n = std::min(fillerLeft_, filler_.size());
        fillerLeft_ -= n;
        setg(filler_.data(), filler_.data(), filler_.data() + n);
        return traits_type::to_int_type(*gptr());
    }

private:
    std::string& bytes_;
    std::string filler_;
    std::size_t fillerLeft_;
    bool inFiller_ = false;
};

// Like its PLY reader, the library's OFF reader believes the counts and reads on
// past the end of the file for as many entries as they announce. The counts are
// passed on only when they are numbers the file can hold: every vertex takes at
// least six bytes of text ("0 0 0\n") and every face eight ("3 0 1 2\n").
bool offHeaderIsSound(const std::string& path, std::uint64_t size, std::string& why)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::string head(std::size_t(4096), '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    std::vector<std::string> words;
    for (std::size_t i = 0; i < head.size() && words.size() < 5;) {
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
    std::size_t first = 1;
    bool binary = false;
    if (words.size() > 1 && words[1] == "BINARY") {
        binary = true;
        first = 2;
    }
    if (binary)
        return true; // counts are binary there; the library checks them against the size
    double counts[2] = { -1.0, -1.0 };
    for (int k = 0; k < 2; ++k) {
        const std::string w
            = first + std::size_t(k) < words.size() ? words[first + std::size_t(k)] : "";
        if (w.empty() || w.size() > 10 || w.find_first_not_of("0123456789") != std::string::npos) {
            why = "has no vertex and face counts";
            return false;
        }
        counts[k] = std::strtod(w.c_str(), nullptr);
    }
    if (counts[0] * 6.0 + counts[1] * 8.0 > double(size)) {
        why = "announces more vertices or faces than the file holds";
        return false;
    }
    return true;
}

// The library's readers take some header flags (COFF colours among them) only
// when they read a named file, so compressed files are inflated into a
// temporary file of the same suffix first.
class InflatedCopy
{
public:
    bool make(const std::string& path, const char* ext)
    {
        std::string bytes;
        if (!readWholeFile(path, bytes))
            return false;
        const char* dir = std::getenv("TMPDIR");
        std::string name = std::string(dir && *dir ? dir : "/tmp") + "/facetra-XXXXXX." + ext;
        const int fd = ::mkstemps(name.data(), int(std::strlen(ext)) + 1);
        if (fd < 0)
            return false;
        name_ = name;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += std::size_t(n);
        }
        ::close(fd);
        return done == bytes.size();
    }
    ~InflatedCopy()
    {
        if (!name_.empty())
            std::remove(name_.c_str());
    }
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

std::uint64_t fileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

} // namespace

bool readLibraryMesh(Mesh& mesh, const std::string& path, MeshFileKind kind, ObjReadReport* report)
{
    std::cout << "Opening: " << path << std::endl;
    const char* ext = extensionOf(kind);
    InflatedCopy inflated;
    const bool compressed = hasGzipSuffix(path);
    if (!ext || (compressed && !inflated.make(path, ext))
        || (!compressed && !std::filesystem::is_regular_file(path))) {
        std::cerr << "ERROR: Opening File: " << path << std::endl;
        return false;
    }
    const std::string& source = compressed ? inflated.name() : path;
    const std::uint64_t size = fileSize(source);
    std::string why;
    if (kind == MeshFileKind::Ply && !plyHeaderIsSound(source, size, why)) {
        std::printf("ERROR: %s %s\n", path.c_str(), why.c_str());
        return false;
    }
    if (kind == MeshFileKind::Off && !offHeaderIsSound(source, size, why)) {
        std::printf("ERROR: %s %s\n", path.c_str(), why.c_str());
        return false;
    }
    if (kind == MeshFileKind::Stl && !stlSizeFits(source, size)) {
        std::printf("ERROR: %s is a binary STL file whose size does not match its facet count\n",
            path.c_str());
        return false;
    }

    FlatImporter importer(size);
    Options options = Options::VertexColor;
    bool ok = false;
    bool cutShort = false;
    try {
        // The library's own complaints would interleave with ours: one line of
        // ours says what failed.
        omerr().disable();
        omlog().disable();
        if (kind == MeshFileKind::Ply) {
            std::string bytes;
            ok = readWholeFile(source, bytes);
            if (ok) {
                PaddedBuffer buffer(bytes, bytes.compare(0, 16, "ply\nformat ascii") == 0);
                std::istream in(&buffer);
                ok = IOManager().read(in, "ply", importer, options);
                cutShort = buffer.readPastEnd();
            }
        } else {
            ok = IOManager().read(source, importer, options);
        }
        omerr().enable();
        omlog().enable();
    } catch (const std::bad_alloc&) {
        std::printf("ERROR: not enough memory to read %s\n", path.c_str());
        return false;
    }
    if (cutShort) {
        std::printf("ERROR: %s is cut short\n", path.c_str());
        return false;
    }
    if (!ok) {
        std::printf("ERROR: %s could not be read as %s\n", path.c_str(), ext);
        return false;
    }
    const long long nv = (long long)(importer.positions.size() / 3);
    const long long nf = (long long)(importer.triangles.size() / 3);
    if (nv > std::numeric_limits<int>::max() || nf > std::numeric_limits<int>::max()) {
        std::printf("ERROR: %s has more vertices or faces than can be held (%lld, %lld)\n",
            path.c_str(), nv, nf);
        return false;
    }
    if (kind == MeshFileKind::Stl && nf == 0) {
        std::printf("ERROR: %s holds no complete facet\n", path.c_str());
        return false;
    }
    std::printf("nv: %lld, nf: %lld\n", nv, nf);
    if (importer.polygons > 0)
        std::printf("triangulated %lld polygons\n", importer.polygons);
    if (!mesh.allocateVertices(int(nv)) || !mesh.allocateFaces(int(nf))) {
        mesh.clear();
        return false;
    }
    long long nonFinite = 0;
    for (long long i = 0; i < nv; ++i) {
        float p[3];
        for (int k = 0; k < 3; ++k) {
            p[k] = importer.positions[std::size_t(3 * i + k)];
            if (!std::isfinite(p[k])) {
                p[k] = 0.0f;
                ++nonFinite;
            }
        }
        mesh.vertices[std::size_t(i)] = Vector(p[0], p[1], p[2], 1.0f);
    }
    if (importer.hasColours) {
        std::copy(importer.colours.begin(), importer.colours.end(), mesh.vertexColours.begin());
        mesh.vertexColoursSet = true;
    }
    for (long long f = 0; f < nf; ++f) {
        Face& face = mesh.faces[std::size_t(f)];
        for (int k = 0; k < 3; ++k)
            face.index[k] = importer.triangles[std::size_t(3 * f + k)];
        mesh.linkFace(int(f));
    }
    if (importer.droppedFaces > 0)
        std::printf("dropped %lld faces with vertex indices out of range\n", importer.droppedFaces);
    if (nonFinite > 0)
        std::printf("replaced %lld non-finite coordinates by 0\n", nonFinite);
    if (report) {
        report->droppedFaces = importer.droppedFaces;
        report->coloursRead = importer.hasColours ? int(nv) : 0;
    }
    return true;
}
