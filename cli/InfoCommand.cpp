#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

struct Summary {
    int boundaryEdges = 0;
    Vector min, max;
};

Summary summarise(const Mesh& mesh)
{
    Summary s;
    for (int e = 0; e < mesh.numEdges; ++e)
        s.boundaryEdges += mesh.edgeFaces[2 * std::size_t(e) + 1] == -1;
    // Corner 4 of the box is its minimum, corner 1 its maximum.
    s.min = mesh.boxCorners[4];
    s.max = mesh.boxCorners[1];
    return s;
}

nlohmann::json triple(const Vector& v) { return { v.x, v.y, v.z }; }

// Well-formed UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool isUtf8(const std::string& s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        unsigned char low = 0x80, high = 0xBF; // range of the second byte
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
        else
            return false;
        if (i + extra >= s.size() && extra > 0)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if (k == 1 ? (b < low || b > high) : (b & 0xC0) != 0x80)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

// JSON text must be UTF-8, while file names and morphogen names are 8-bit text
// of any kind: what is not UTF-8 already is taken as Latin-1.
std::string jsonText(const std::string& s)
{
    if (isUtf8(s))
        return s;
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

int runInfo(const Args& args)
{
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else if (!a.empty() && a[0] == '-')
            return fail("unknown option '" + a + "' for info");
        else
            files.push_back(a);
    }
    if (files.empty())
        return fail("info needs at least one FILE (see facetra-cli info --help)");

    // With --json, standard output carries only the JSON lines: the readers'
    // console lines are sent to the error stream instead.
    std::FILE* out = stdout;
    if (json) {
        out = separateJsonOutput();
        if (!out)
            return 1;
    }

    int status = 0;
    for (const std::string& file : files) {
        Mesh mesh;
        double loadMs = 0.0;
        ObjReadReport report;
        std::string problem;
        if (!loadForTool(mesh, file, &loadMs, &report, &problem)) {
            status = 1;
            // One line per file, whatever became of it.
            if (json) {
                const nlohmann::json j { { "file", jsonText(file) },
                    { "error", jsonText(problem) } };
                std::fprintf(out, "%s\n",
                    j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
                std::fflush(out);
            }
            continue;
        }
        const Summary s = summarise(mesh);
        const bool obj = meshFileKind(file) == MeshFileKind::Obj;
        if (json) {
            nlohmann::json j;
            j["file"] = jsonText(file);
            j["vertices"] = mesh.numVertices;
            j["faces"] = mesh.numFaces;
            j["edges"] = mesh.numEdges;
            j["boundary_edges"] = s.boundaryEdges;
            j["morphogens"] = nlohmann::json::array();
            for (const std::string& name : mesh.morphogenNames)
                j["morphogens"].push_back(jsonText(name));
            j["face_format"] = obj ? nlohmann::json(report.formatType) : nlohmann::json(nullptr);
            j["bbox_min"] = triple(s.min);
            j["bbox_max"] = triple(s.max);
            j["extent"] = mesh.extent;
            j["centre"] = triple(mesh.centre);
            j["load_ms"] = loadMs;
            std::fprintf(out, "%s\n",
                         j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
            std::fflush(out);
        } else {
            std::printf("%s\n  vertices %d, faces %d, edges %d, boundary edges %d\n",
                        file.c_str(), mesh.numVertices, mesh.numFaces, mesh.numEdges,
                        s.boundaryEdges);
            std::printf("  morphogens:");
            for (const std::string& n : mesh.morphogenNames)
                std::printf(" %s", n.c_str());
            std::printf(mesh.morphogenNames.empty() ? " none\n" : "\n");
            if (obj)
                std::printf("  face format %d\n", report.formatType);
            std::printf("  box (%g, %g, %g) .. (%g, %g, %g), extent %g, centre (%g, %g, %g)\n",
                        double(s.min.x), double(s.min.y), double(s.min.z), double(s.max.x),
                        double(s.max.y), double(s.max.z), double(mesh.extent),
                        double(mesh.centre.x), double(mesh.centre.y), double(mesh.centre.z));
            std::printf("  loaded in %.1f ms\n", loadMs);
        }
    }
    if (json)
        std::fclose(out);
    return status;
}
