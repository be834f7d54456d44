// Reading OBJ and net files: the lines that make faces, vertices, colours and
// morphogens, parts parsed apart, the reader chosen by name; and malformed
// files, which every reader must survive, keeping its arrays consistent and
// saying in one line what it dropped or replaced (these run under the
// sanitizer build as well).
#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LineScan.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/ReadGts.h"
#include "mesh/engine/ReadLibraryMesh.h"
#include "mesh/engine/ReadNet.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/Workers.h"
#include "mesh/engine/WriteMeshFile.h"

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

using namespace testutil;

namespace {

// One read of OBJ or net text (by the name's suffix) through a file, with what it printed.
struct ObjRead
{
    bool ok = false;
    std::string out, err;
    ObjReadReport report;
};

ObjRead readText(Mesh& mesh, const std::string& text, const std::string& name = "m.obj")
{
    static TempDir dir;
    const std::string path = dir.write(name, text);
    ObjRead r;
    mesh.clear();
    r.err = captureStderr([&] {
        r.out = captureStdout([&] {
            const MeshFileKind kind = meshFileKind(path);
            r.ok = kind == MeshFileKind::Net ? readNet(mesh, path)
                : kind == MeshFileKind::Gts  ? readGts(mesh, path, &r.report)
                : kind == MeshFileKind::Ply || kind == MeshFileKind::Stl
                    || kind == MeshFileKind::Off
                ? readLibraryMesh(mesh, path, kind, &r.report)
                : readObj(mesh, path, &r.report);
        });
    });
    return r;
}

using Triangles = std::vector<std::array<int, 3>>;

const std::string kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

// Face lines decide which triangles exist: a wrong layout, index rule or
// keyword match loses, invents or rewires faces.
TEST(ReadObj, FaceLinesGiveExactlyTheseTriangles)
{
    // The text, the corner layout reported and the triangles read.
    const std::tuple<std::string, int, Triangles> cases[] = {
        // The five corner layouts, and texture indices without a normal slot (none of them).
        { kSquare + "f 1 2 3\nf 1 3 4\n", 1, { { 0, 1, 2 }, { 0, 2, 3 } } },
        { kSquare + "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n", 2, { { 0, 1, 2 }, { 0, 2, 3 } } },
        { kSquare + "f 1//1 2//1 3//1\n", 3, { { 0, 1, 2 } } },
        { kSquare + "f 1/1/ 2/2/ 3/3/\n", 4, { { 0, 1, 2 } } },
        { kSquare + "f 1// 2// 3//\n", 5, { { 0, 1, 2 } } },
        { kSquare + "f 1/1 2/2 3/3\n", -1, { { 0, 1, 2 } } },
        // A corner group gives its first number, whatever layout its line has.
        { kSquare + "f 1/2/3 4/5/6 3/8/9\nf 3 2 1\nf 4//1 3//1 2//1\nf 4/4 1/1 2/2\n", 2,
            { { 0, 3, 2 }, { 2, 1, 0 }, { 3, 2, 1 }, { 3, 0, 1 } } },
        // Polygons fan from their first corner; fewer than three corners make nothing.
        { kSquare + "v 0 2 0\nf 1 2 3 4 5\nf 4/1/1 3/1/1 2/1/1\nf 1 2\nf\n", 1,
            { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 4 }, { 3, 2, 1 } } },
        // Negative indices count back from the vertices read so far; positive ones may name
        // vertices read later.
        { "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 5 5 5\nf -1 -2 -3\nf 1 -1 2\nf 1 2 5\nv 6 6 "
          "6\n",
            1, { { 0, 1, 2 }, { 3, 2, 1 }, { 0, 3, 1 }, { 0, 1, 4 } } },
        // Zero, too large, too far back, before any vertex, truncated fractions; a polygon with
        // one bad corner loses both triangles.
        { "f -1 1 2\nv 0 0 0\nv 1 0 0\nf 1 2 -3\nv 0 1 0\nv 1 1 0\nf 0 1 2\nf 1 2 5\n"
          "f 1.9 2.2 3.7\nf -0.5 1 2\nf 1 2 3 99\nf 2 3 4\n",
            1, { { 0, 1, 2 }, { 1, 2, 3 } } },
    };
    for (const auto& [text, format, faces] : cases) {
        SCOPED_TRACE(text);
        Mesh mesh;
        const auto r = readText(mesh, text);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.report.formatType, format);
        EXPECT_EQ(triangles(mesh), faces);
        expectLinked(mesh);
        EXPECT_EQ(mesh.centroids.size(), faces.size());
    }
}

TEST(ReadObj, VerticesColoursAndMorphogensOnlyFromTheirOwnLinesInOrder)
{
    Mesh mesh;
    auto r = readText(mesh,
        "# v 9 9 9\nv 1.5e-3 2 3\nvc 1 0.5 0\nvn 0 0 1\nvt 0.5 0.5\nv 1 2\n v 7 7 7\ng v 8 8 8\n"
        "v -4 5.25 6 # tail\nv 1E2 -2e-1 3e+0 0.5\nv .5 -.25 0.\nvertex 1 2 3\nvc 0 0 1\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(mesh.numVertices, 4);
    const std::vector<Vector> want
        = { { 0.0015f, 2, 3 }, { -4, 5.25f, 6 }, { 100, -0.2f, 3 }, { 0.5f, -0.25f, 0 } };
    for (std::size_t i = 0; i < want.size(); ++i) {
        const Vector d = mesh.vertices[i] - want[i];
        EXPECT_TRUE(std::abs(d.x) + std::abs(d.y) + std::abs(d.z) < 1e-6f && d.w == 0) << i;
    }
    // Colours in order of appearance.
    EXPECT_TRUE(mesh.vertexColours[0] == Vector(1, 0.5f, 0) && mesh.vertexColours[0].w == 1.0f);
    EXPECT_TRUE(mesh.vertexColours[1] == Vector(0, 0, 1));

    // Several blanks make no empty names; the line end (also "\r\n") is not part of the last.
    // The first "m" line's piece count sets the number (a blank before the line end is one
    // more); a missing value repeats the last number read; rows without a line stay 0.
    r = readText(mesh, "mn  growth   decay \r\nv 0 0 0\nv 1 0 0\nv 2 0 0\nm 7 8 \nm 9 x\n");
    EXPECT_EQ(mesh.morphogenNames, (std::vector<std::string> { "growth", "decay" }));
    EXPECT_EQ(mesh.morphogenValues[1], (std::vector<float> { 9.0f, 9.0f, 9.0f }));
    EXPECT_EQ(mesh.morphogenValues[2], (std::vector<float> { 0.0f, 0.0f, 0.0f }));
    // A face's last corner is a number read too.
    r = readText(mesh, "v 0 0 0\nv 1 0 0\nv 2 0 0\nm 7 8\nf 1 2/5/6 3//4\nm x y\n");
    EXPECT_EQ(mesh.morphogenValues[1], (std::vector<float> { 3.0f, 3.0f }));
}

TEST(ReadObj, LongLinesAreReadWhole)
{
    // 2000 blanks inside a vertex line and a face line of 600 corners.
    std::string text = "v" + std::string(2000, ' ') + "1 2 3\n", face = "f";
    for (int i = 1; i <= 600; ++i) {
        text += "v " + std::to_string(i) + " 0 0\n";
        face += ' ' + std::to_string(i);
    }
    Mesh mesh;
    const auto r = readText(mesh, text + face + "\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(mesh.numFaces, 598);
    EXPECT_TRUE(mesh.vertices[0] == Vector(1, 2, 3));
    EXPECT_EQ(triangles(mesh).back(), (std::array<int, 3> { 0, 598, 599 }));
}

// Everything a read leaves: its lines, its report, and the mesh's arrays as bits.
std::string readResult(const std::string& text, const std::string& path, const char* name = "m.obj")
{
    Mesh mesh;
    ObjRead r;
    if (path.empty()) {
        r = readText(mesh, text, name);
    } else {
        r.out = captureStdout([&] {
            const MeshFileKind kind = meshFileKind(path);
            r.ok = kind == MeshFileKind::Obj ? readObj(mesh, path, &r.report)
                                             : readLibraryMesh(mesh, path, kind, &r.report);
        });
    }
    std::string bits = r.out + r.err + (r.ok ? "ok " : "failed ")
        + std::to_string(r.report.formatType) + ' ' + std::to_string(r.report.droppedFaces) + ' '
        + std::to_string(r.report.coloursRead);
    for (const std::string& loss : r.report.losses)
        bits += loss + '\n';
    const auto append = [&bits](const void* data, std::size_t bytes) {
        bits.append(static_cast<const char*>(data), bytes);
    };
    append(mesh.vertices.data(), mesh.vertices.size() * sizeof(Vector));
    append(mesh.vertexColours.data(), mesh.vertexColours.size() * sizeof(Vector));
    for (const Face& face : mesh.faces)
        append(face.index, sizeof face.index);
    for (const auto& row : mesh.morphogenValues)
        append(row.data(), row.size() * sizeof(float));
    for (const std::string& name : mesh.morphogenNames)
        bits += name + '\n';
    return bits;
}

// A file parsed in parts on several threads gives what one pass gives, wherever
// the parts are cut: inside numbers, corner groups and line ends, and around the
// lines a part cannot read alone (negative corners, forward corners out of
// range, "fc", morphogens, coordinates that are not numbers). GTS too: numbers
// over several lines, comments (also straight after a number), words, faces
// dropped, a file cut short and text after the last face.
TEST(ReadObj, PartsParsedApartJoinAsOnePass)
{
    const std::string texts[] = {
        kSquare + "f 1/1/1 2/2/1 3/3/1\nf 1 3 4 2\nvc 1 0 0\nvc 0 1 0\nf 4//1 3//1 2//1\n",
        "v 0 0 0\r\nv 1 0 0\r\nf 1 2 3\r\nv 0 1 0\r\nf 1 2 4\r\nf 0 1 2\r\nv 2 2 2",
        kSquare + "f 1 2 3\nf -1 -2 -3\nfc 1 0 0\nf 1//1 2//1 3//1\n",
        kSquare + "mn a b\nm 1 2\nm 3 x\nv 1e-3 nan 2\nv 1 2\nf 1 2 3 4 5\n",
        "f 1 2 3\n" + kSquare + "f 2 3 4\nf 1 2 3.5\nf 3 4 1 2\nf 1 2 9 3\n",
    };
    const auto withLimits = [](unsigned workers, std::size_t partBytes, auto read) {
        workerLimit() = workers;
        textPartBytes() = partBytes;
        const std::string result = read();
        workerLimit() = 0;
        textPartBytes() = 0;
        return result;
    };
    const std::string tet = "4 6 4 GtsSurface GtsFace GtsEdge GtsVertex\n0 0 0\n1 0 0\n0 1 0\n"
                            "0 0 1\n1 2\n2 3\n3 1\n1 4\n2 4\n3 4\n";
    const std::string gtsTexts[] = {
        tet + "1 2 3\n1 5 4\n2 6 5\n3 4 6\n",
        "4 6 4\r\n# a note 1 2 3\r\n0 0\n0 1 0 0 0 1#x 9\n0 0 0 1 nan 1e400 2 3 3 1\n1 4 2 4 3 4 1 "
        "2 "
        "3 1 5 4\n2 6 5 3 4 9\nword 2.5x 7\n",
        tet + "1 2 3\n1 5 4\n2 6",
        tet + "1 2 3\n1 2 4\n2 6 5\n3 4 6\n",
    };
    // Compressed, parsed as it is inflated: also in two members, whose trailer
    // promises too little room, and cut short.
    const auto packed = [](const std::string& text) {
        const std::size_t half = text.size() / 2;
        return std::vector<std::string> { gzipped(text),
            gzipped(text.substr(0, half)) + gzipped(text.substr(half)),
            gzipped(text).substr(0, 30) };
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const std::vector<std::string> gz = packed(text);
        for (const auto& [bytes, name] :
            std::vector<std::pair<std::string, const char*>> { { text, "m.obj" },
                { gz[0], "m.obj.gz" }, { gz[1], "m.obj.gz" }, { gz[2], "m.obj.gz" } }) {
            const auto read = [&] { return readResult(bytes, "", name); };
            const std::string once = withLimits(1, 0, read);
            for (std::size_t partBytes : { 1, 5, 17, 64 })
                EXPECT_EQ(withLimits(3, partBytes, read), once) << partBytes << name;
        }
    }
    std::string many = kSquare;
    for (int i = 0; i < 20000; ++i)
        many += "f 1 2 3\n";
    const std::string shortRoom = gzipped(many) + gzipped("f 1 2 4\n");
    const auto read = [&] { return readResult(shortRoom, "", "m.obj.gz"); };
    EXPECT_EQ(withLimits(3, 4099, read), withLimits(1, 0, read));
    // Text PLY: one element to a line, or else (two on a line, a blank line,
    // a list running on) read in one pass; values past a float's range, lists
    // of every length, corners out of range, an element of its own, text after
    // the last element, a file cut short and a value that is no number.
    const std::string plyHead = "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
                                "property float y\nproperty float z\nproperty uchar red\n"
                                "property uchar green\nproperty uchar blue\nelement face 5\n"
                                "property list uchar int vertex_indices\nproperty int flags\n"
                                "element edge 2\nproperty int v1\nproperty int v2\nend_header\n";
    const std::string plyBody = "0 0 0 255 0 0\n1e39 1e-50 -0 0 255 0\n1 1 nan 0 0 255\n"
                                "0 1 0 9 9 9\n3 0 1 2 7\n4 0 1 2 3 7\n2 0 1 7\n3 0 1 4 7\n"
                                "0 7\n0 1\n2 3\n";
    const std::string plyTexts[] = {
        plyHead + plyBody,
        plyHead + plyBody + "trailing words\n\n",
        plyHead + plyBody.substr(0, plyBody.find("3 0 1 2 7")) + "3 0 1 2 7 "
            + plyBody.substr(plyBody.find("3 0 1 2 7")) + "5 6\n",
        plyHead + plyBody.substr(0, 40) + "\n" + plyBody.substr(40),
        plyHead + plyBody.substr(0, 60),
        plyHead + "0 0 x 1 2 3\n" + plyBody.substr(plyBody.find('\n') + 1),
        "ply\r\nformat ascii 1.0\r\nelement vertex 2\r\nproperty double x\r\nproperty double y\r\n"
        "property double z\r\nend_header\r\n1e-400 2 3\r\n4 5 1e400",
    };
    // Text STL: corners over several lines, a solid named with keywords,
    // corners that are not whole, a quad, numbers past a float's range, a file
    // cut short inside a facet.
    const std::string facet = "facet normal 0 0 1\n outer loop\n  vertex 0 0 0\n  vertex 1 0 0\n"
                              "  vertex 0 1 0\n endloop\nendfacet\n";
    const std::string stlTexts[] = {
        "solid vertex facet 1 2\n" + facet + facet
            + "facet normal 0 0 1\nouter loop\nvertex\n1\n0 0\nvertex 0 1 0 vertex 1 1 0 "
              "endloop endfacet\nfacet outer loop vertex 0 0 0 vertex 1 1 1 vertex 2 2 x "
              "endloop endfacet\n"
            + facet
            + "facet outer loop vertex 1e39 0 0 vertex 0 1e-50 0 vertex 0 0 1 vertex 1 1 1 "
              "endloop endfacet\nendsolid vertex\n",
        "solid s\r\n" + facet + facet.substr(0, 50),
        "solid s\n" + facet + "facet normal 0 0 1\nouter loop\nvertex 1 2",
    };
    // Net: every kind of line, and the number of a line that does not parse
    // (the first of two) counted over the parts before it.
    const std::string net = "# net\nv 0 0 0\nv 1 0 0\nv 1 1 0\nn 0 0 1\nc 1 0 0\nt 0.5 0.5\n"
                            "f 0 1 2\nf 0 1 2 9\r\nc 0 1 0\n";
    const std::string netTexts[] = { net + "v 2 2 2", net + net + "v 1\nf 1 2\nv 0 0 0\n" };
    // OFF in the plain form read in parts against the library's reader, and
    // what falls to the library: words after a vertex, a value below a
    // float's normal range, a face of two corners, a blank line, a file cut short.
    const std::string offTexts[] = {
        "OFF\n5 6 0\n0 0 0\n1 0 0\n0 1 0\n-1.5e-3 +2 .5\n\t1 1  1\n3 0 1 2\n4 0 1 2 3\n3 0 1 9\n"
        "3 2 2 2\n5 0 1 2 3 2147483647\n3 4 3 2\nwords after the faces",
        "OFF\r\n3 1 0\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n3 0 1 2",
        "OFF\n3 1 0\n0 0 0 1 1 1\n1 0 0\n0 1 0\n3 0 1 2\n",
        "OFF\n3 1 0\n0 0 0\n1e-40 0 0\n0 1 0\n3 0 1 2\n",
        "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n2 0 1\n3 0 1 2\n",
        "OFF\n3 1 0\n0 0 0\n\n1 0 0\n0 1 0\n3 0 1 2\n",
        "OFF\n4 1 0\n0 0 0\n1 0 0\n",
    };
    const auto sameInParts = [&](const std::string& text, const char* name) {
        SCOPED_TRACE(text);
        const auto read = [&] { return readResult(text, "", name); };
        const std::string once = withLimits(1, 0, read);
        EXPECT_NE(once.find("Opening"), std::string::npos);
        for (std::size_t partBytes : { 1, 3, 5, 17, 64 })
            EXPECT_EQ(withLimits(3, partBytes, read), once) << partBytes;
    };
    for (const std::string& text : gtsTexts)
        sameInParts(text, "m.gts");
    for (const std::string& text : plyTexts)
        sameInParts(text, "m.ply");
    for (const std::string& text : stlTexts)
        sameInParts(text, "m.stl");
    for (const std::string& text : netTexts)
        sameInParts(text, "m.net");
    for (const std::string& text : offTexts)
        sameInParts(text, "m.off");
    // Binary PLY of either byte order, records of one size read in parts: colours
    // as bytes and floats, an element of its own, corners out of range; and
    // what one pass reads: a face of two corners, data cut short.
    const auto binaryPly = [](bool big, bool pair, std::size_t cut) {
        std::string b = std::string("ply\nformat binary_") + (big ? "big" : "little")
            + "_endian 1.0\nelement vertex 4\nproperty " + (big ? "double" : "float")
            + " x\nproperty float y\nproperty float z\nproperty " + (big ? "float" : "uchar")
            + " red\nproperty " + (big ? "float" : "uchar") + " green\nproperty "
            + (big ? "float" : "uchar")
            + " blue\nelement face 3\nproperty list uchar int vertex_indices\n"
              "element edge 2\nproperty int v1\nproperty int v2\nend_header\n";
        const auto put = [&](auto v) {
            char bytes[sizeof v];
            std::memcpy(bytes, &v, sizeof v);
            if (big)
                std::reverse(bytes, bytes + sizeof v);
            b.append(bytes, sizeof v);
        };
        const float nan = std::nanf("");
        for (const float x : { 0.0f, 1.0f, nan, 0.5f }) {
            big ? put(double(x)) : put(x);
            put(1.5f);
            put(-2.0f);
            for (int k = 0; k < 3; ++k)
                big ? put(0.25f * float(k)) : put(std::uint8_t(85 * k));
        }
        for (const std::vector<int>& face : { std::vector<int> { 0, 1, 2 },
                 pair ? std::vector<int> { 0, 1 } : std::vector<int> { 0, 1, 9 },
                 std::vector<int> { 3, 2, 1 } }) {
            put(std::uint8_t(face.size()));
            for (int v : face)
                put(v);
        }
        for (int v : { 0, 1, 2, 3 })
            put(v);
        b += "trailing"; // not read, though it would hold a record
        return b.substr(0, b.size() - cut);
    };
    for (const std::string& text : { binaryPly(false, false, 0), binaryPly(true, false, 0),
             binaryPly(false, true, 0), binaryPly(false, false, 13) })
        sameInParts(text, "m.ply");
    // Vertices of floats only, with other values among the coordinates or one
    // coordinate left out, and corners of either sign, some out of range.
    for (const char* layout : { "x y nx z", "z x" }) {
        for (const char* corner : { "int", "uint" }) {
            std::string b = "ply\nformat binary_little_endian 1.0\nelement vertex 3\n";
            std::istringstream names(layout);
            int floats = 0;
            for (std::string name; names >> name; ++floats)
                b += "property float " + name + "\n";
            b += std::string("element face 3\nproperty list uchar ") + corner
                + " vertex_indices\nend_header\n";
            for (int i = 0; i < 3 * floats; ++i) {
                const float value = i == 4 ? std::nanf("") : 0.5f * float(i);
                b.append(reinterpret_cast<const char*>(&value), 4);
            }
            for (const auto& face : { std::array { 0, 1, 2 }, { 2, 1, -1 }, { 0, 2, 7 } }) {
                b += '\3';
                b.append(reinterpret_cast<const char*>(face.data()), 12);
            }
            sameInParts(b, "m.ply");
        }
    }

    // The real meshes as OBJ, written out as binary PLY, and the smaller ones as
    // text PLY, STL and OFF.
    const RealMeshes meshes;
    TempDir dir;
    for (const auto& file : meshes.files()) {
        if (!file.path.ends_with(".obj"))
            continue;
        SCOPED_TRACE(file.name);
        std::vector<std::string> paths { file.path };
        Mesh mesh;
        captureStdout([&] { readObj(mesh, file.path); });
        // Text forms of the smaller ones: they are read in parts all the same.
        if (mesh.numFaces <= 150000) {
            std::string ply = "ply\nformat ascii 1.0\nelement vertex "
                + std::to_string(mesh.numVertices)
                + "\nproperty float x\nproperty float y\nproperty float z\nelement face "
                + std::to_string(mesh.numFaces)
                + "\nproperty list uchar int vertex_indices\nend_header\n";
            std::string stl = "solid " + file.name + "\n";
            std::string off = "OFF\n" + std::to_string(mesh.numVertices) + ' '
                + std::to_string(mesh.numFaces) + " 0\n";
            char line[160];
            for (const Vector& v : mesh.vertices) {
                std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", v.x, v.y, v.z);
                ply += line;
                off += line;
            }
            for (const Face& face : mesh.faces) {
                const std::string corners = "3 " + std::to_string(face.index[0]) + ' '
                    + std::to_string(face.index[1]) + ' ' + std::to_string(face.index[2]) + '\n';
                ply += corners;
                off += corners;
                stl += "facet normal 0 0 0\nouter loop\n";
                for (int k = 0; k < 3; ++k) {
                    const Vector& v = mesh.corner(face, k);
                    std::snprintf(line, sizeof line, "vertex %.9g %.9g %.9g\n", v.x, v.y, v.z);
                    stl += line;
                }
                stl += "endloop\nendfacet\n";
            }
            paths.push_back(dir.write(file.name + ".ply", ply));
            paths.push_back(dir.write(file.name + ".stl", stl));
            paths.push_back(dir.write(file.name + ".off", off));
        }
        const std::string binary = dir.file(file.name + ".binary.ply");
        quietly([&] { ASSERT_TRUE(writeMeshFile(mesh, binary, true)); });
        paths.push_back(binary);
        paths.push_back(dir.write(file.name + ".obj.gz", gzipped(readFile(file.path))));
        for (const std::string& path : paths) {
            const auto read = [&] { return readResult("", path); };
            const std::string once = withLimits(1, 0, read);
            EXPECT_TRUE(withLimits(3, 0, read) == once) << path;
            EXPECT_TRUE(withLimits(2, 4099, read) == once) << path;
        }
    }
}

TEST(ReadNet, LineKindsPolygonsOfTenOnlyFullNormalListsAndNoMeshFromADamagedLine)
{
    Mesh mesh;
    auto r = readText(mesh,
        "# net\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nn 0 0 1\nn 0 0.5 1\nn 1 0 0\nn 0 1 0\n"
        "c 1 0 0\nt 0.5 0.5\nf 0 1 2 3 0 1 2 3 0 1 2 3\nf 3 2 1 5\nf 0 1 -1\nf 3 2 1\nelse\n\n",
        "m.net");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(mesh.vertexNormals[1] == Vector(0, 0.5f, 1));
    // A short colour list colours what it can, the rest grey, and says so.
    EXPECT_TRUE(mesh.vertexColours[0] == Vector(1, 0, 0) && mesh.vertexColours[0].w == 1.0f);
    EXPECT_TRUE(mesh.vertexColours[1] == Vector(0.4f, 0.4f, 0.4f));
    // Ten indices at most per line, fanned; a polygon naming a missing vertex goes whole.
    EXPECT_EQ(triangles(mesh),
        (Triangles { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 0 }, { 0, 0, 1 }, { 0, 1, 2 }, { 0, 2, 3 },
            { 0, 3, 0 }, { 0, 0, 1 }, { 3, 2, 1 } }));
    EXPECT_NE(r.out.find("dropped 3 faces"), std::string::npos) << r.out;
    expectLinked(mesh);
    // Too few normals: none at all.
    ASSERT_TRUE(readText(mesh, "v 0 0 0\nv 1 0 0\nn 0 0 1\nc 1 0 0\nc 1 0 0\n", "m.net").ok);
    EXPECT_TRUE(mesh.vertexNormals[0] == Vector(0, 0, 0));

    // A line that does not parse fails the read and leaves no mesh.
    for (const char* text :
        { "v 0 0 0\nvt 0 0\n", "v 0 0\n", "v 0 0 0\nf 0 1\n", "c 1 x 1\n", "t 1\n", "f a b c\n" }) {
        const auto r = readText(mesh, text, "m.net");
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(mesh.numVertices + mesh.numFaces, 0) << text;
        EXPECT_NE(r.err.find("does not parse"), std::string::npos) << r.err;
    }
}

TEST(LoadMesh, ReaderChosenByTheLastFourCharactersCaseBlind)
{
    const std::pair<const char*, MeshFileKind> names[]
        = { { "A.OBJ", MeshFileKind::Obj }, { "dir.net/a.Obj", MeshFileKind::Obj },
              { "x.NeT", MeshFileKind::Net }, { "xobj", MeshFileKind::Obj },
              { "a.objx", MeshFileKind::Obj }, { "a.stp", MeshFileKind::None },
              { "obj.txt", MeshFileKind::None }, { "", MeshFileKind::None },
              { "a.PLY.gz", MeshFileKind::Ply }, { "a.gts.GZ", MeshFileKind::Gts },
              { "a.stl", MeshFileKind::Stl }, { "a.gz", MeshFileKind::None } };
    for (const auto& [name, kind] : names)
        EXPECT_EQ(meshFileKind(name), kind) << name;
}

// A reader's result is safe to build on.
void expectUsable(Mesh& mesh)
{
    expectLinked(mesh);
    for (const Vector& v : mesh.vertices)
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    ASSERT_TRUE(mesh.morphogenValues.empty()
        || mesh.morphogenValues.size() == std::size_t(mesh.numVertices));
    captureStdout([&] { build(mesh, { 2, 7, 6, 3, 8, 5 }); });
}

TEST(BadInput, EveryTruncationAndRandomGarbageGivesAUsableMeshOrNone)
{
    // Small files using every feature of each dialect, and the characters that matter.
    const std::string obj
        = "# test\nmn a b\nmtllib x.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
          "v 0 1 -1.5e-1\nvc 1 0 0\nvc 0 1 0\nvt 0 0\nvn 0 0 1\nm 1 2\nm 3 4\n"
          "m 5 6\nm 7 8\nusemtl red\ns 1\nfc 1 1 1\nf 1/1/1 2/1/1 3/1/1\n"
          "f 1//1 3//1 4//1\nf 4 3 2 1\nf -1 -2 -3\nf 1/1/ 2/2/ 3/3/\nf 1// 2// 4//\n";
    const std::string net = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nn 0 0 1\nc 1 0 0\nc 0 1 0\n"
                            "t 0 0\nf 0 1 2 3\nf 3 2 1\n";
    for (const bool isNet : { false, true }) {
        const std::string& full = isNet ? net : obj;
        const std::string interesting
            = isNet ? "vfcnt -.e0123456789\n" : "vfcmn/ -.e0123456789\n\r#'\"";
        std::mt19937 random(isNet ? 11 : 7);
        for (std::size_t n = 0; n <= full.size() + 300 && !testing::Test::HasFatalFailure(); ++n) {
            std::string text = full.substr(0, n);
            if (n > full.size()) {
                text.assign(random() % 400, '\0');
                for (char& c : text)
                    c = random() % 3 ? interesting[random() % interesting.size()]
                                     : char(random() % 256);
            }
            SCOPED_TRACE((isNet ? "net: " : "obj: ") + text);
            Mesh mesh;
            if (readText(mesh, text, isNet ? "m.net" : "m.obj").ok)
                expectUsable(mesh);
            else
                ASSERT_TRUE(isNet && mesh.numVertices == 0);
        }
    }
}

// What a read drops or replaces it counts, says in one line on standard output
// and keeps in the report, whatever the format.
TEST(BadInput, DroppedAndReplacedValuesAreCountedAndSaid)
{
    static const char nulBytes[] = "v 0 0 0\0v 9 9 9\nv 1 0 0\rv 2 0 0\nv 0 1 0\nf 1 2\0 3\n";
    const TempDir dir;
    // One row of 5000 values, then short rows each read would fill up to that
    // count: values that could not have been written in the file are refused.
    std::string overflow;
    for (int i = 0; i < 2000; ++i)
        overflow += "v 0 0 0\n";
    overflow += "m";
    for (int i = 0; i < 5000; ++i)
        overflow += " 1";
    for (int i = 1; i < 2000; ++i)
        overflow += "\nm";
    // The file, the vertices and faces read and the losses said.
    const std::tuple<const char*, std::string, int, int, std::vector<std::string>> cases[] = {
        { "colours.obj",
            "v 0 0 0\nv 1 0 0\nvc 1 0 0\nvc 0 1 0\nvc 0 0 1\nvc 1 1 1\nm 1\nm 2\nm 3\nf 1 2 1\n", 2,
            1,
            { "dropped 2 vertex colours beyond the 2 vertices",
                "dropped 1 morphogen rows beyond the 2 vertices" } },
        // Out-of-range numbers become infinite and are replaced by 0.
        { "huge.obj", "v 1e999 2 3\nv 4 -1e400 6\nv 7 8 9\nf 1 2 3\n", 3, 1,
            { "replaced 2 non-finite coordinates by 0" } },
        // "nan" and "inf" are words: each coordinate keeps the value before it.
        { "words.obj", "v 1 2 3\nv nan 5 6\nv 7 inf -infinity\nf 1 2 3\n", 3, 1,
            { "3 coordinates are not numbers: each kept the value before it" } },
        // "--3" is no corner, so that line makes no face; "3-1" reads as 3, as atof would.
        { "range.obj",
            "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 99999999999999999999 1 2\nf 1 2 -99999999999\n"
            "f 1 2 1e9\nf 2147483648 1 2\nf 1 2 3\nf 1 2 --3\nf 1 2 3-1\nf 1 2 0\nf 1 2 3 4\n",
            3, 2, { "dropped 7 faces with vertex indices out of range" } },
        // NUL is a blank; only line feeds end lines.
        { "nul.obj", std::string(nulBytes, sizeof nulBytes - 1), 3, 1, {} },
        { "drop.net",
            "v nan 0 0\nv inf 1e99 -INFINITY\nv 0 1 0\nf 0 1 2\nf 0 1 99999999999999\nf -1 0 1\n",
            3, 1,
            { "dropped 2 faces with vertex indices out of range",
                "replaced 4 non-finite coordinates by 0" } },
        { "drop.ply",
            "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
            "property float z\nelement face 3\nproperty list uchar int vertex_indices\n"
            "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n2 0 1\n4 0 1 2 7\n",
            3, 1,
            { "dropped 2 faces with vertex indices out of range",
                "dropped 1 faces without three whole corners" } },
        { "drop.stl",
            "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
            "endloop\nendfacet\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 nan\n"
            "vertex 0 1 0\nendloop\nendfacet\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n",
            3, 1, { "dropped 2 faces without three whole corners" } },
        // Past a float's range: too large is infinite and replaced by 0, too small is 0.
        { "huge.stl",
            "solid x\nfacet normal 0 0 1\nouter loop\nvertex 1e39 0 0\nvertex 1 -1e-50 0\n"
            "vertex 0 1 1e-46\nendloop\nendfacet\n",
            3, 1, { "replaced 1 non-finite coordinates by 0" } },
        { "huge.ply",
            "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
            "property double z\nelement face 1\nproperty list uchar int vertex_indices\n"
            "end_header\n1e39 0 0\n1 1e-50 1e-400\n0 1 -1e400\n3 0 1 2\n",
            3, 1, { "replaced 2 non-finite coordinates by 0" } },
        { "drop.off", "OFF\n3 3 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 1 5\n3 2 1 0\n", 3, 2,
            { "dropped 1 faces with vertex indices out of range" } },
        { "overflow.obj", overflow + "\nf 1 2 3\n", 2000, 1,
            { "ignoring the morphogens: 2000 vertices with 5000 values each do not fit in this "
              "file" } },
        { "drop.gts", "3 3 2\n0 0 0\n1 0 0\n0 1 0\n1 2\n2 3\n3 1\n1 2 3\n1 2 9\n", 3, 1,
            { "dropped 1 faces naming a missing edge or not closing a triangle" } },
    };
    for (const auto& [name, bytes, vertices, faces, losses] : cases) {
        SCOPED_TRACE(name);
        Mesh mesh;
        ObjReadReport report;
        std::string out;
        captureStderr([&, &bytes = bytes] {
            out = captureStdout(
                [&] { ASSERT_TRUE(openMeshFile(mesh, dir.write(name, bytes), &report)); });
        });
        EXPECT_EQ(mesh.numVertices, vertices);
        EXPECT_EQ(mesh.numFaces, faces);
        EXPECT_EQ(report.losses, losses);
        for (const std::string& line : losses)
            EXPECT_NE(out.find(line + "\n"), std::string::npos) << out;
        std::size_t values = 0;
        for (const auto& row : mesh.morphogenValues)
            values += row.size();
        EXPECT_LE(values, bytes.size() / 2) << "more values than the file could hold";
        expectUsable(mesh);
    }
}

} // namespace
