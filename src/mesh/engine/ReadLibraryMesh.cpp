#include "mesh/engine/ReadLibraryMesh.h"

#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <OpenMesh/Core/IO/IOManager.hh>
#include <OpenMesh/Core/IO/importer/BaseImporter.hh>
#include <OpenMesh/Core/IO/reader/OFFReader.hh>
#include <OpenMesh/Core/IO/reader/PLYReader.hh>
#include <OpenMesh/Core/IO/reader/STLReader.hh>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>
#include <new>
#include <sstream>
#include <streambuf>
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

// A read-only stream over bytes already in memory, so that decompressed files
// reach the library readers without another copy.
class MemoryBuffer : public std::streambuf
{
public:
    MemoryBuffer(const char* data, std::size_t size)
    {
        char* p = const_cast<char*>(data); // NOLINT: the buffer is only read
        setg(p, p, p + size);
    }

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override
    {
        char* target = dir == std::ios_base::beg ? eback() + off
            : dir == std::ios_base::cur          ? gptr() + off
                                                 : egptr() + off;
        if (target < eback() || target > egptr())
            return pos_type(off_type(-1));
        setg(eback(), target, egptr());
        return pos_type(target - eback());
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode mode) override
    {
        return seekoff(off_type(pos), std::ios_base::beg, mode);
    }
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

// Binary STL has no magic number; the library decides by the 80-byte header and
// the facet count, but files whose header starts with "solid" (many exporters
// write it) must still be read as binary when the size says so.
bool looksLikeBinaryStl(const std::string& bytes)
{
    if (bytes.size() < 84)
        return false;
    std::uint32_t n = 0;
    std::memcpy(&n, bytes.data() + 80, 4);
    return 84 + std::uint64_t(n) * 50 == bytes.size();
}

} // namespace

bool readLibraryMesh(Mesh& mesh, const std::string& path, MeshFileKind kind, ObjReadReport* report)
{
    std::cout << "Opening: " << path << std::endl;
    const char* ext = extensionOf(kind);
    std::string bytes;
    if (!ext || !readWholeFile(path, bytes)) {
        std::cerr << "ERROR: Opening File: " << path << std::endl;
        return false;
    }
    if (kind == MeshFileKind::Stl && bytes.size() >= 84 && !looksLikeBinaryStl(bytes)
        && bytes.compare(0, 5, "solid") != 0) {
        std::printf("ERROR: %s is a binary STL file whose size does not match its facet count\n",
            path.c_str());
        return false;
    }

    FlatImporter importer(bytes.size());
    Options options = Options::VertexColor;
    bool ok = false;
    {
        MemoryBuffer buffer(bytes.data(), bytes.size());
        std::istream in(&buffer);
        // The library prints its own complaints on the error stream; ours follow.
        try {
            if (kind == MeshFileKind::Stl)
                options += looksLikeBinaryStl(bytes) ? Options::Binary : Options::Default;
            ok = IOManager().read(in, ext, importer, options);
        } catch (const std::bad_alloc&) {
            std::printf("ERROR: not enough memory to read %s\n", path.c_str());
            return false;
        }
    }
    std::string().swap(bytes);
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
    if (importer.hasColours)
        std::copy(importer.colours.begin(), importer.colours.end(), mesh.vertexColours.begin());
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
