#include "mesh/engine/WriteMeshFile.h"

#include "mesh/engine/Gzip.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteObj.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <vector>

namespace {

template <class T> void appendRaw(std::string& out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T)); // the machines we build for are little-endian
}

void appendExact(std::string& out, float value)
{
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

// Colour channels as bytes, the form every PLY and OFF reader takes.
std::uint8_t colourByte(float v)
{
    return std::uint8_t(
        std::nearbyint(std::clamp(std::isfinite(v) ? v : 0.0f, 0.0f, 1.0f) * 255.0f));
}

std::string plyText(const Mesh& mesh, bool withColours)
{
    std::string out = "ply\nformat binary_little_endian 1.0\ncomment written by Facetra\n";
    out += "element vertex " + std::to_string(mesh.numVertices) + "\n";
    out += "property float x\nproperty float y\nproperty float z\n";
    if (withColours) {
        out += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    }
    out += "element face " + std::to_string(mesh.numFaces) + "\n";
    out += "property list uchar int vertex_indices\nend_header\n";
    out.reserve(out.size() + std::size_t(mesh.numVertices) * 24 + std::size_t(mesh.numFaces) * 13);
    for (int i = 0; i < mesh.numVertices; ++i) {
        const Vector& p = mesh.vertices[std::size_t(i)];
        appendRaw(out, p.x);
        appendRaw(out, p.y);
        appendRaw(out, p.z);
        if (!withColours)
            continue;
        const Vector& c = mesh.vertexColours[std::size_t(i)];
        for (float v : { c.x, c.y, c.z })
            appendRaw(out, colourByte(v));
    }
    for (int f = 0; f < mesh.numFaces; ++f) {
        appendRaw(out, std::uint8_t(3));
        for (int k = 0; k < 3; ++k)
            appendRaw(out, std::int32_t(mesh.faces[std::size_t(f)].index[k]));
    }
    return out;
}

std::string stlText(const Mesh& mesh)
{
    std::string out(80, '\0');
    const char header[] = "binary STL written by Facetra";
    std::memcpy(out.data(), header, sizeof header - 1);
    appendRaw(out, std::uint32_t(mesh.numFaces));
    out.reserve(out.size() + std::size_t(mesh.numFaces) * 50);
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        const Vector& a = mesh.vertices[std::size_t(face.index[0])];
        const Vector& b = mesh.vertices[std::size_t(face.index[1])];
        const Vector& c = mesh.vertices[std::size_t(face.index[2])];
        Vector n;
        n.triangleNormal(c, b, a);
        for (float v : { n.x, n.y, n.z })
            appendRaw(out, std::isfinite(v) ? v : 0.0f);
        for (const Vector* p : { &a, &b, &c }) {
            appendRaw(out, p->x);
            appendRaw(out, p->y);
            appendRaw(out, p->z);
        }
        appendRaw(out, std::uint16_t(0));
    }
    return out;
}

std::string offText(const Mesh& mesh, bool withColours)
{
    std::string out = withColours ? "COFF\n" : "OFF\n";
    out += std::to_string(mesh.numVertices) + " " + std::to_string(mesh.numFaces) + " 0\n";
    for (int i = 0; i < mesh.numVertices; ++i) {
        const Vector& p = mesh.vertices[std::size_t(i)];
        appendExact(out, p.x);
        out += ' ';
        appendExact(out, p.y);
        out += ' ';
        appendExact(out, p.z);
        if (withColours) {
            const Vector& c = mesh.vertexColours[std::size_t(i)];
            for (float v : { c.x, c.y, c.z, 1.0f })
                out += ' ' + std::to_string(int(colourByte(v)));
        }
        out += '\n';
    }
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        out += "3 " + std::to_string(face.index[0]) + " " + std::to_string(face.index[1]) + " "
            + std::to_string(face.index[2]) + "\n";
    }
    return out;
}

} // namespace

namespace {

constexpr const char* choices = "choose .obj, .ply, .stl, .off or a .gz of them";

std::string lower(std::string s)
{
    std::transform(
        s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// The last path component's suffixes, innermost last, as the name has them:
// "a.b.obj.gz" gives "b", "obj", "gz"; an empty piece (a trailing dot) is none.
std::vector<std::string> suffixes(const std::string& name)
{
    const std::size_t slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    std::vector<std::string> out;
    std::size_t dot = base.find('.');
    while (dot != std::string::npos) {
        const std::size_t next = base.find('.', dot + 1);
        std::string piece = base.substr(dot + 1, next == std::string::npos ? next : next - dot - 1);
        if (!piece.empty())
            out.push_back(std::move(piece));
        dot = next;
    }
    return out;
}

MeshWriteFormat formatOf(const std::string& suffix)
{
    const std::string s = lower(suffix);
    return s == "obj" ? MeshWriteFormat::Obj
        : s == "ply"  ? MeshWriteFormat::Ply
        : s == "stl"  ? MeshWriteFormat::Stl
        : s == "off"  ? MeshWriteFormat::Off
                      : MeshWriteFormat::None;
}

bool hasMorphogens(const Mesh& mesh)
{
    return !mesh.morphogenNames.empty()
        || (!mesh.morphogenValues.empty() && !mesh.morphogenValues[0].empty());
}

} // namespace

MeshWriteTarget meshWriteTarget(const std::string& name)
{
    std::vector<std::string> s = suffixes(name);
    MeshWriteTarget target;
    target.gzip = s.size() >= 2 && lower(s.back()) == "gz";
    if (target.gzip)
        s.pop_back();
    if (!s.empty())
        target.format = formatOf(s.back());
    if (target.format == MeshWriteFormat::None)
        target.gzip = false;
    return target;
}

std::string meshWriteProblem(const std::string& name)
{
    if (meshWriteTarget(name).format != MeshWriteFormat::None)
        return {};
    const std::vector<std::string> s = suffixes(name);
    if (s.empty())
        return "cannot write '" + name + "' (no suffix): " + choices;
    std::string shown = "." + s.back();
    if (s.size() >= 2) {
        const std::string before = lower(s[s.size() - 2]);
        if (lower(s.back()) == "gz" || formatOf(before) != MeshWriteFormat::None || before == "net"
            || before == "gts")
            shown = "." + s[s.size() - 2] + shown;
    }
    return "cannot write " + shown + " files: " + choices;
}

bool writeMeshFile(const Mesh& mesh, const std::string& path, bool withColours, Progress* progress,
    MeshWriteReport* report)
{
    MeshWriteReport local;
    MeshWriteReport& r = report ? *report : local;
    r = {};
    const auto refuse = [&r](std::string why) {
        r.problem = std::move(why);
        std::fflush(stdout);
        std::cerr << r.problem << std::endl;
        return false;
    };
    if (std::string refusal = meshWriteProblem(path); !refusal.empty())
        return refuse(std::move(refusal));
    const MeshWriteTarget target = meshWriteTarget(path);
    std::printf("%d, %d\n", mesh.numVertices, mesh.numFaces);
    if (mesh.numVertices <= 0 || mesh.numFaces <= 0)
        return refuse("no mesh to save");
    withColours = withColours && mesh.vertexColours.size() >= std::size_t(mesh.numVertices);

    std::vector<std::string> losses;
    const auto loss = [&](const char* format, const char* what) {
        losses.push_back(path + ": " + format + " holds no " + what + "; they are not written");
    };
    const char* formatName = target.format == MeshWriteFormat::Ply ? "PLY"
        : target.format == MeshWriteFormat::Stl                    ? "STL"
                                                                   : "OFF";
    if (target.format == MeshWriteFormat::Stl && withColours)
        loss(formatName, "vertex colours");
    if (target.format != MeshWriteFormat::Obj && hasMorphogens(mesh))
        loss(formatName, "morphogens");

    std::printf("\tMESH: Saving %s...", path.c_str());
    std::fflush(stdout);
    bool written = false;
    try {
        ObjWriteOptions options;
        options.vertexColours = withColours;
        if (target.format == MeshWriteFormat::Obj && !target.gzip) {
            // Straight into the file: a large mesh's text is never held whole.
            written = writeObjFile(mesh, path, options, progress, &r.problem);
        } else {
            std::string bytes = target.format == MeshWriteFormat::Obj
                ? objText(mesh, options, progress)
                : target.format == MeshWriteFormat::Ply ? plyText(mesh, withColours)
                : target.format == MeshWriteFormat::Stl ? stlText(mesh)
                                                        : offText(mesh, withColours);
            if (target.gzip) {
                std::string packed, reason;
                if (!gzip(bytes.data(), bytes.size(), packed, reason, progress))
                    r.problem = path + ": " + reason;
                bytes.swap(packed);
            }
            written = r.problem.empty() && writeFileReplacing(path, bytes, progress, &r.problem);
        }
    } catch (const RunCancelled&) {
        std::cout << " cancelled" << std::endl;
        throw;
    } catch (const std::bad_alloc&) {
        r.problem = path + ": not enough memory to write it";
    }
    if (!written) {
        std::cout << " failed" << std::endl;
        std::cerr << r.problem << std::endl;
        return false;
    }
    std::cout << " done..." << std::endl;
    for (const std::string& line : losses)
        std::cerr << line << std::endl;
    r.losses = std::move(losses);
    return true;
}
