#include "mesh/engine/ReadGts.h"

#include "mesh/engine/LineScan.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/Workers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string_view>
#include <vector>

namespace {

// The numbers of a GTS file in reading order, comments and line structure
// skipped: every field of the format is one number and the counts say how
// many come.
class NumberStream
{
public:
    explicit NumberStream(std::string_view text)
        : text_(text)
    { }

    bool next(double& value)
    {
        for (;;) {
            while (pos_ < text_.size() && (unsigned char)text_[pos_] <= ' ')
                ++pos_;
            if (pos_ < text_.size() && text_[pos_] == '#') {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
                continue;
            }
            break;
        }
        if (pos_ >= text_.size())
            return false;
        const char* begin = text_.data() + pos_;
        const char* end = text_.data() + text_.size();
        const auto r = std::from_chars(begin, end, value);
        if (r.ec != std::errc()) {
            // A word (the class names after the counts): skip it, no number.
            while (pos_ < text_.size() && (unsigned char)text_[pos_] > ' ')
                ++pos_;
            value = std::nan("");
            return true;
        }
        pos_ += std::size_t(r.ptr - begin);
        return true;
    }
    // Skips the rest of the current line (class names after the counts).
    void skipLine()
    {
        while (pos_ < text_.size() && text_[pos_] != '\n')
            ++pos_;
    }
    std::size_t position() const { return pos_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// The numbers of a text as one NumberStream over it gives them, read on every
// core: the text is cut at line starts, where no number, word or comment
// goes on, and the parts' numbers are taken in file order.
class SharedNumbers
{
public:
    SharedNumbers(std::string_view text, unsigned workers, Progress* progress)
    {
        const std::vector<std::size_t> starts = linescan::lineParts(text, workers);
        parts_.resize(starts.size() - 1);
        readLineParts(text, starts, workers, progress, [&](std::size_t i, std::string_view part) {
            // A number takes at least two bytes ("0 ").
            parts_[i].reserve(part.size() / 2 + 1);
            NumberStream in(part);
            for (double v; in.next(v);)
                parts_[i].push_back(v);
            return true;
        });
    }

    bool next(double& value)
    {
        while (part_ < parts_.size() && at_ == parts_[part_].size())
            ++part_, at_ = 0;
        if (part_ == parts_.size())
            return false;
        value = parts_[part_][at_++];
        return true;
    }

private:
    std::vector<LargeVector<double>> parts_;
    std::size_t part_ = 0, at_ = 0;
};

} // namespace

bool readGts(Mesh& mesh, const std::string& path, ObjReadReport* report, std::string* problem,
    Progress* progress)
{
    std::cout << "Opening: " << path << std::endl;
    if (report)
        *report = ObjReadReport();
    LargeText text;
    if (!readWholeFile(path, text, problem, progress))
        return false;
    NumberStream in(text);
    double counts[3];
    for (double& c : counts) {
        if (!in.next(c) || !(c >= 0.0) || c > 2147483647.0)
            return readFailed(
                path, "does not start with the vertex, edge and face counts", problem);
    }
    in.skipLine();
    // Each entry takes at least two bytes of text ("0 "), so larger counts are
    // lies and would only allocate.
    const double room = double(text.size()) / 2.0;
    if (counts[0] * 3 > room || counts[1] * 2 > room || counts[2] * 3 > room)
        return readFailed(
            path, "announces more vertices, edges or faces than it can hold", problem);
    const int nv = int(counts[0]), ne = int(counts[1]), nf = int(counts[2]);
    std::vector<float> positions(std::size_t(nv) * 3);
    std::vector<std::array<int, 2>> edges(static_cast<std::size_t>(ne));
    std::vector<int> triangles;
    triangles.reserve(std::size_t(nf) * 3);
    long long dropped = 0, nonFinite = 0;
    // The entries, from the numbers one after another.
    const auto readEntries = [&](auto& in) {
        bool complete = true;
        double v = 0.0;
        for (std::size_t i = 0; i < positions.size() && complete; ++i) {
            reportPeriodically(progress, "Parsing", i, positions.size(), 0xffff);
            complete = in.next(v);
            if (!std::isfinite(v)) {
                v = 0.0;
                ++nonFinite;
            }
            positions[i] = float(v);
        }
        for (int e = 0; e < ne && complete; ++e) {
            for (int k = 0; k < 2 && complete; ++k) {
                complete = in.next(v);
                edges[std::size_t(e)][std::size_t(k)]
                    = v >= 1.0 && v <= double(nv) ? int(v) - 1 : -1;
            }
        }
        for (int f = 0; f < nf && complete; ++f) {
            reportPeriodically(progress, "Parsing", std::size_t(f), std::size_t(nf));
            int e3[3];
            for (int& e : e3) {
                complete = complete && in.next(v);
                e = v >= 1.0 && v <= double(ne) ? int(v) - 1 : -1;
            }
            if (!complete)
                break;
            // Corners a, b from the first edge, c the end of the second edge not on
            // the first; the third edge must join c back to the first.
            bool ok = e3[0] >= 0 && e3[1] >= 0 && e3[2] >= 0;
            int a = -1, b = -1, c = -1;
            if (ok) {
                a = edges[std::size_t(e3[0])][0];
                b = edges[std::size_t(e3[0])][1];
                const auto& second = edges[std::size_t(e3[1])];
                const auto& third = edges[std::size_t(e3[2])];
                c = second[0] == a || second[0] == b ? second[1] : second[0];
                const bool secondTouches
                    = second[0] == a || second[0] == b || second[1] == a || second[1] == b;
                const bool thirdCloses = (third[0] == c || third[1] == c)
                    && (third[0] == a || third[1] == a || third[0] == b || third[1] == b);
                ok = a >= 0 && b >= 0 && c >= 0 && a != b && c != a && c != b && secondTouches
                    && thirdCloses;
                // Keep the turn of the file: b -> c means the second edge follows b.
                if (ok && !(second[0] == b || second[1] == b))
                    std::swap(a, b);
            }
            if (!ok) {
                ++dropped;
                continue;
            }
            triangles.insert(triangles.end(), { a, b, c });
        }
        return complete;
    };
    bool complete;
    if (readInParts(text.size())) {
        SharedNumbers shared(std::string_view(text).substr(in.position()),
            workerCount(double(text.size())), progress);
        complete = readEntries(shared);
    } else {
        complete = readEntries(in);
    }
    if (!complete) {
        return readFailed(path,
            std::string("ends before its last ")
                + (positions.empty() || edges.empty() ? "entry" : "face"),
            problem);
    }
    std::printf("nv: %d, nf: %zu\n", nv, triangles.size() / 3);
    const int storedFaces = int(triangles.size() / 3);
    if (!mesh.allocateVertices(nv) || !mesh.allocateFaces(storedFaces)) {
        mesh.clear();
        return readFailed(path, "is too large to hold in memory", problem);
    }
    for (int i = 0; i < nv; ++i) {
        const float* p = &positions[3 * std::size_t(i)];
        mesh.vertices[std::size_t(i)] = Vector(p[0], p[1], p[2], 1.0f);
    }
    for (int f = 0; f < storedFaces; ++f) {
        for (int k = 0; k < 3; ++k)
            mesh.faces[std::size_t(f)].index[k] = triangles[3 * std::size_t(f) + std::size_t(k)];
    }
    if (dropped > 0) {
        sayLoss(report,
            "dropped " + std::to_string(dropped)
                + " faces naming a missing edge or not closing a triangle");
    }
    if (nonFinite > 0)
        sayLoss(report, "replaced " + std::to_string(nonFinite) + " non-finite coordinates by 0");
    if (report)
        report->droppedFaces = dropped;
    return true;
}
