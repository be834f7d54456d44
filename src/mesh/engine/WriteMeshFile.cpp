#include "mesh/engine/WriteMeshFile.h"

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

namespace {

std::string lowerSuffix(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    std::string s = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::transform(
        s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

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

MeshWriteFormat meshWriteFormat(const std::string& name)
{
    const std::string s = lowerSuffix(name);
    if (s == "ply")
        return MeshWriteFormat::Ply;
    if (s == "stl")
        return MeshWriteFormat::Stl;
    if (s == "off")
        return MeshWriteFormat::Off;
    return MeshWriteFormat::Obj;
}

bool writeMeshFile(const Mesh& mesh, const std::string& path, bool withColours, Progress* progress)
{
    const MeshWriteFormat format = meshWriteFormat(path);
    if (format == MeshWriteFormat::Obj) {
        ObjWriteOptions options;
        options.vertexColours = withColours;
        return writeObj(mesh, path, options, progress);
    }
    std::printf("%d, %d\n", mesh.numVertices, mesh.numFaces);
    if (mesh.numVertices == 0 || mesh.numFaces == 0)
        return false;
    std::printf("\tMESH: Saving %s...", path.c_str());
    std::fflush(stdout);
    const std::string bytes = format == MeshWriteFormat::Ply ? plyText(mesh, withColours)
        : format == MeshWriteFormat::Stl                     ? stlText(mesh)
                                                             : offText(mesh, withColours);
    bool written = false;
    try {
        written = writeFileReplacing(path, bytes, progress);
    } catch (const RunCancelled&) {
        std::cout << " cancelled" << std::endl;
        throw;
    }
    if (!written) {
        std::cout << " failed" << std::endl;
        std::cerr << "ERROR: Writing File: " << path << std::endl;
        return false;
    }
    std::cout << " done..." << std::endl;
    return true;
}
