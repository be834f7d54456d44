#include "mesh/engine/WriteObj.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/Tokenizer.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

void appendStreamFloat(std::string& out, float value)
{
    char buffer[32];
    const auto r = std::to_chars(
        buffer, buffer + sizeof buffer, double(value), std::chars_format::general, 6);
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

bool writeFileReplacing(const std::string& path, const std::string& text, const Progress* progress,
    std::string* problem)
{
    return writeBytesReplacing(path, text.data(), text.size(), progress, problem);
}

namespace {

// The system's reason for error, in lower case ("permission denied").
std::string lowerReason(int error)
{
    std::string reason = std::generic_category().message(error != 0 ? error : EIO);
    std::transform(reason.begin(), reason.end(), reason.begin(),
        [](unsigned char c) { return char(std::tolower(c)); });
    return reason;
}

} // namespace

bool writeBytesReplacing(const std::string& path, const char* data, std::size_t size,
    const Progress* progress, std::string* problem)
{
    // In slices, so that a stop is heard during a long write.
    return writeStreamReplacing(
        path,
        [&](const ByteWriter& write) {
            constexpr std::size_t slice = std::size_t(1) << 22;
            for (std::size_t at = 0; at < size; at += slice) {
                if (progress)
                    progress->checkStop();
                write(data + at, std::min(slice, size - at));
            }
        },
        progress, problem);
}

bool writeStreamReplacing(const std::string& path,
    const std::function<void(const ByteWriter&)>& produce, const Progress* progress,
    std::string* problem)
{
    // Replace what a link points at, not the link, and keep the old file's mode.
    std::error_code error;
    std::string target = path;
    if (std::filesystem::is_symlink(path, error)) {
        const auto resolved = std::filesystem::weakly_canonical(path, error);
        if (!error)
            target = resolved.string();
    }
    struct stat old
    {
    };
    const bool existed = ::stat(target.c_str(), &old) == 0;

    // The first failure's errno is the reason the user gets.
    int failure = 0;
    const auto failed = [&failure] {
        if (failure == 0)
            failure = errno != 0 ? errno : EIO;
        return false;
    };
    const std::string temporary = target + ".part" + std::to_string(::getpid());
    errno = 0;
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        failed();
        if (problem)
            *problem = path + ": " + lowerReason(failure);
        return false;
    }
    // After a failed write the rest is not tried; a stop or an exception of
    // produce leaves the target as it was.
    bool ok = true;
    try {
        produce([&](const char* data, std::size_t size) {
            if (ok && size > 0)
                ok = std::fwrite(data, 1, size, file) == size || failed();
        });
        if (progress)
            progress->checkStop();
    } catch (...) {
        std::fclose(file);
        std::remove(temporary.c_str());
        throw;
    }
    ok = (std::fflush(file) == 0 || failed()) && ok;
    if (ok && existed)
        ::fchmod(::fileno(file), old.st_mode & 07777);
    ok = (std::fclose(file) == 0 || failed()) && ok;
    if (progress && progress->stopRequested()) {
        std::remove(temporary.c_str());
        throw RunCancelled();
    }
    if (ok)
        ok = std::rename(temporary.c_str(), target.c_str()) == 0 || failed();
    if (!ok) {
        std::remove(temporary.c_str());
        if (problem)
            *problem = path + ": " + lowerReason(failure);
    }
    return ok;
}

namespace {

// The values on each "m" line: the reader takes the width of the first for
// every row and fills the rows the file lacks with zeros, so rows are written
// whole, all alike; none unless every vertex has a row.
std::size_t morphogenRowWidth(const Mesh& mesh)
{
    const std::size_t nv = std::size_t(std::max(mesh.numVertices, 0));
    return mesh.morphogenValues.size() == nv && nv > 0 ? mesh.morphogenValues[0].size() : 0;
}

// A morphogen value as the reader turns it back into the same float: the
// tokenizer takes "inf" for a word, but an overflowing exponent for infinity.
void appendMorphogenValue(std::string& out, float value)
{
    if (std::isinf(value))
        out += value > 0 ? "1e999" : "-1e999";
    else
        appendExactFloat(out, value);
}

} // namespace

void streamObjText(const Mesh& mesh, const ObjWriteOptions& options, Progress* progress,
    const std::function<void(std::string_view)>& sink)
{
    const std::size_t nv = std::size_t(std::max(mesh.numVertices, 0));
    const std::size_t width = morphogenRowWidth(mesh);
    if (!mesh.morphogenNames.empty()) {
        std::string names = "mn";
        for (const std::string& name : mesh.morphogenNames)
            names += ' ' + name;
        sink(names + '\n');
    }
    // The lines, kind after kind: points, colours, morphogen rows, faces.
    const std::size_t colours = options.vertexColours ? std::min(nv, mesh.vertexColours.size()) : 0;
    const std::size_t counts[4]
        = { nv, colours, width > 0 ? nv : 0, std::size_t(std::max(mesh.numFaces, 0)) };
    const auto appendLine = [&](std::string& text, std::size_t line) {
        std::size_t kind = 0;
        for (; line >= counts[kind]; ++kind)
            line -= counts[kind];
        switch (kind) {
        case 0:
            appendPointLine(text, "v", mesh.vertices[line], false);
            break;
        case 1:
            appendPointLine(text, "vc", mesh.vertexColours[line], true);
            break;
        case 2: {
            const std::vector<float>& row = mesh.morphogenValues[line];
            text += 'm';
            for (std::size_t j = 0; j < width; ++j) {
                text += ' ';
                appendMorphogenValue(text, j < row.size() ? row[j] : 0.0f);
            }
            text += '\n';
            break;
        }
        default: {
            const Face& face = mesh.faces[line];
            text += 'f';
            for (int k = 0; k < 3; ++k) {
                char number[16];
                const auto end
                    = std::to_chars(number, number + sizeof number, face.index[k] + 1).ptr;
                const std::string_view n(number, std::size_t(end - number));
                text += ' ';
                text += n;
                text += '/';
                text += n;
                text += '/';
            }
            text += '\n';
        }
        }
    };
    // Blocks of lines made side by side, one per worker, and handed on in order.
    const std::size_t lines = counts[0] + counts[1] + counts[2] + counts[3];
    const unsigned workers = workerCount(double(lines));
    constexpr std::size_t block = 65536;
    std::vector<std::string> texts(workers);
    for (std::size_t first = 0; first < lines; first += block * workers) {
        runWorkers(workers, [&](unsigned w) {
            std::string& text = texts[w];
            text.clear();
            const std::size_t begin = std::min(lines, first + block * w);
            const std::size_t end = std::min(lines, begin + block);
            for (std::size_t line = begin; line < end; ++line) {
                if (((line - begin) & 16383) == 0
                    && !checkIn(progress, w, "Writing", double(line) / double(lines)))
                    return;
                appendLine(text, line);
            }
        });
        // A worker that saw a stop left its block short: end here.
        if (progress)
            progress->checkStop();
        for (const std::string& text : texts) {
            if (!text.empty())
                sink(text);
        }
    }
}

std::string objText(const Mesh& mesh, const ObjWriteOptions& options, Progress* progress)
{
    // Room for the longest lines these can be, so that the text never moves
    // while it grows (a move holds it twice); what stays unused is never touched.
    // A point line is at most three numbers of 16 characters, a face line three
    // corners "n/n/" of up to 10 digits.
    const std::size_t nv = std::size_t(std::max(mesh.numVertices, 0));
    const std::size_t width = morphogenRowWidth(mesh);
    std::size_t digits = 1;
    for (std::size_t n = nv; n >= 10; n /= 10)
        ++digits;
    std::string text;
    text.reserve(nv * ((options.vertexColours ? 2 : 1) * 52 + width * 17)
        + std::size_t(std::max(mesh.numFaces, 0)) * (6 * digits + 12) + 64);
    streamObjText(mesh, options, progress, [&text](std::string_view piece) { text.append(piece); });
    return text;
}

bool writeObjFile(const Mesh& mesh, const std::string& path, const ObjWriteOptions& options,
    Progress* progress, std::string* problem)
{
    return writeStreamReplacing(
        path,
        [&](const ByteWriter& write) {
            streamObjText(mesh, options, progress,
                [&write](std::string_view piece) { write(piece.data(), piece.size()); });
        },
        progress, problem);
}

bool writeObj(
    const Mesh& mesh, const std::string& path, const ObjWriteOptions& options, Progress* progress)
{
    std::printf("%d, %d\n", mesh.numVertices, mesh.numFaces);
    if (mesh.numVertices == 0 || mesh.numFaces == 0)
        return false;
    std::printf("\tMESH: Saving %s...", path.c_str());
    std::fflush(stdout);
    std::string problem;
    try {
        if (!writeObjFile(mesh, path, options, progress, &problem)) {
            std::cout << " failed" << std::endl;
            std::cerr << problem << std::endl;
            return false;
        }
    } catch (const RunCancelled&) {
        std::cout << " cancelled" << std::endl;
        throw;
    }
    std::cout << " done..." << std::endl;
    return true;
}
