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

void appendStreamFloat(std::string& out, float value)
{
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, double(value),
                                 std::chars_format::general, 6);
    out.append(buffer, r.ptr);
}

void appendExactFloat(std::string& out, float value)
{
    char buffer[32];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (std::isfinite(value)
        && float(parseNumber(std::string_view(buffer, std::size_t(r.ptr - buffer)))) != value)
        r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 9);
    out.append(buffer, r.ptr);
}

void appendWholeNumber(std::string& out, long long value)
{
    char buffer[24];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

void appendPointLine(std::string& out, const char* keyword, const Vector& p, bool exact)
{
    const auto number = exact ? appendExactFloat : appendStreamFloat;
    out += keyword;
    out += ' ';
    number(out, p.x);
    out += ' ';
    number(out, p.y);
    out += ' ';
    number(out, p.z);
    out += '\n';
}

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
    for (int i = 0; i < mesh.numVertices; ++i)
        appendPointLine(text, "v", mesh.vertices[std::size_t(i)], false);
    if (options.vertexColours) {
        const std::size_t n = std::min(std::size_t(mesh.numVertices), mesh.vertexColours.size());
        for (std::size_t i = 0; i < n; ++i)
            appendPointLine(text, "vc", mesh.vertexColours[i], true);
    }
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        text += "f ";
        for (int k = 0; k < 3; ++k) {
            const int n = face.index[k] + 1;
            if (k > 0)
                text += ' ';
            appendWholeNumber(text, n);
            text += '/';
            appendWholeNumber(text, n);
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
