#include "mesh/engine/WriteObj.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
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

bool writeFileReplacing(const std::string& path, const std::string& text, const Progress* progress)
{
    return writeBytesReplacing(path, text.data(), text.size(), progress);
}

bool writeBytesReplacing(
    const std::string& path, const char* data, std::size_t size, const Progress* progress)
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
    // In slices, so that a stop is heard during a long write; a stopped write
    // leaves the target as it was.
    constexpr std::size_t slice = std::size_t(1) << 22;
    bool ok = true;
    bool stopped = false;
    for (std::size_t at = 0; ok && at < size; at += slice) {
        stopped = progress && progress->stopRequested();
        if (stopped)
            break;
        const std::size_t n = std::min(slice, size - at);
        ok = std::fwrite(data + at, 1, n, file) == n;
    }
    ok = std::fflush(file) == 0 && ok;
    if (ok && existed)
        ::fchmod(::fileno(file), old.st_mode & 07777);
    ok = std::fclose(file) == 0 && ok;
    stopped = stopped || (progress && progress->stopRequested());
    if (stopped) {
        std::remove(temporary.c_str());
        throw RunCancelled();
    }
    if (ok)
        ok = std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        std::remove(temporary.c_str());
    return ok;
}

namespace {
bool writeObjText(
    const Mesh& mesh, const std::string& path, const ObjWriteOptions& options, Progress* progress);
} // namespace

bool writeObj(
    const Mesh& mesh, const std::string& path, const ObjWriteOptions& options, Progress* progress)
{
    std::printf("%d, %d\n", mesh.numVertices, mesh.numFaces);
    if (mesh.numVertices == 0 || mesh.numFaces == 0)
        return false;
    std::printf("\tMESH: Saving %s...", path.c_str());
    std::fflush(stdout);
    try {
        return writeObjText(mesh, path, options, progress);
    } catch (const RunCancelled&) {
        std::cout << " cancelled" << std::endl;
        throw;
    }
}

namespace {

bool writeObjText(
    const Mesh& mesh, const std::string& path, const ObjWriteOptions& options, Progress* progress)
{
    std::string text;
    text.reserve(std::size_t(mesh.numVertices) * 32 + std::size_t(mesh.numFaces) * 32);
    const std::size_t lines = std::size_t(mesh.numVertices) * (options.vertexColours ? 2 : 1)
        + std::size_t(mesh.numFaces);
    std::size_t line = 0;
    for (int i = 0; i < mesh.numVertices; ++i, ++line) {
        reportPeriodically(progress, "Writing", line, lines, 16383);
        appendPointLine(text, "v", mesh.vertices[std::size_t(i)], false);
    }
    if (options.vertexColours) {
        const std::size_t n = std::min(std::size_t(mesh.numVertices), mesh.vertexColours.size());
        for (std::size_t i = 0; i < n; ++i, ++line) {
            reportPeriodically(progress, "Writing", line, lines, 16383);
            appendPointLine(text, "vc", mesh.vertexColours[i], true);
        }
    }
    for (int f = 0; f < mesh.numFaces; ++f, ++line) {
        reportPeriodically(progress, "Writing", line, lines, 16383);
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
    if (!writeFileReplacing(path, text, progress)) {
        std::cout << " failed" << std::endl;
        std::cerr << "ERROR: Writing File: " << path << std::endl;
        return false;
    }
    std::cout << " done..." << std::endl;
    return true;
}

} // namespace
