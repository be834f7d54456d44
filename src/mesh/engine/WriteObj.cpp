#include "mesh/engine/WriteObj.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Tokenizer.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As a standard stream prints a float by default: six significant digits,
// trailing zeros dropped.
void appendNumber(std::string& out, float value)
{
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, double(value),
                                 std::chars_format::general, 6);
    out.append(buffer, r.ptr);
}

// The shortest text that the reader turns back into the same float; the
// reader converts through double, so the rare shortest text that would round
// differently that way gets the nine digits that always read back exactly.
void appendExactNumber(std::string& out, float value)
{
    char buffer[32];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (std::isfinite(value)
        && float(parseNumber(std::string_view(buffer, std::size_t(r.ptr - buffer)))) != value)
        r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 9);
    out.append(buffer, r.ptr);
}

void appendInt(std::string& out, int value)
{
    char buffer[16];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

} // namespace

bool writeFileReplacing(const std::string& path, const std::string& text)
{
    // Replace what a link points at, not the link, and keep the old file's mode.
    std::error_code error;
    std::string target = path;
    if (std::filesystem::is_symlink(path, error)) {
        const auto resolved = std::filesystem::weakly_canonical(path, error);
        if (!error)
            target = resolved.string();
    }
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;

    const std::string temporary = target + ".part" + std::to_string(::getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fflush(file) == 0 && ok;
    if (ok && existed)
        ::fchmod(::fileno(file), old.st_mode & 07777);
    ok = std::fclose(file) == 0 && ok;
    if (ok)
        ok = std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        std::remove(temporary.c_str());
    return ok;
}

bool writeObj(const Mesh& mesh, const std::string& path, const ObjWriteOptions& options)
{
    std::printf("%d, %d\n", mesh.numVertices, mesh.numFaces);
    if (mesh.numVertices == 0 || mesh.numFaces == 0)
        return false;
    std::printf("\tMESH: Saving %s...", path.c_str());
    std::fflush(stdout);

    std::string text;
    text.reserve(std::size_t(mesh.numVertices) * 32 + std::size_t(mesh.numFaces) * 32);
    for (int i = 0; i < mesh.numVertices; ++i) {
        const Vector& p = mesh.vertices[std::size_t(i)];
        text += "v ";
        appendNumber(text, p.x);
        text += ' ';
        appendNumber(text, p.y);
        text += ' ';
        appendNumber(text, p.z);
        text += '\n';
    }
    if (options.vertexColours) {
        const std::size_t n = std::min(std::size_t(mesh.numVertices), mesh.vertexColours.size());
        for (std::size_t i = 0; i < n; ++i) {
            const Vector& c = mesh.vertexColours[i];
            text += "vc ";
            appendExactNumber(text, c.x);
            text += ' ';
            appendExactNumber(text, c.y);
            text += ' ';
            appendExactNumber(text, c.z);
            text += '\n';
        }
    }
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        text += "f ";
        for (int k = 0; k < 3; ++k) {
            const int n = face.index[k] + 1;
            if (k > 0)
                text += ' ';
            appendInt(text, n);
            text += '/';
            appendInt(text, n);
            text += '/';
        }
        text += '\n';
    }
    if (!writeFileReplacing(path, text)) {
        std::cout << " failed" << std::endl;
        std::cerr << "ERROR: Writing File: " << path << std::endl;
        return false;
    }
    std::cout << " done..." << std::endl;
    return true;
}
