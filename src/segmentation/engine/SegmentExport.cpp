#include "segmentation/engine/SegmentExport.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <numeric>

namespace {

// A key whose unsigned order is the float order, with -0 folded onto 0 and every
// NaN onto one value above all numbers, so that sorting is a strict weak order
// even on damaged input.
std::uint32_t orderKey(float value)
{
    if (std::isnan(value))
        return 0xFFFFFFFFu;
    if (value == 0.0f)
        value = 0.0f;
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}

std::string joinPath(const std::string& directory, const char* name)
{
    if (directory.empty())
        return name;
    if (directory.back() == '/')
        return directory + name;
    return directory + '/' + name;
}

// k of a name "object_<k>.obj" as std::to_string writes k (no sign, no
// leading zero, at most nine digits); -1 for any other name.
int objectNumber(const std::string& name)
{
    const std::string head = "object_";
    const std::string tail = ".obj";
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0
        || name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return -1;
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (digits.size() > 9 || digits[0] == '0')
        return -1;
    int k = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        k = k * 10 + (c - '0');
    }
    return k;
}

} // namespace

std::vector<std::string> segmentFileNames(int segmentCount)
{
    std::vector<std::string> names { "non-segemented.obj" };
    for (int k = 1; k <= segmentCount; ++k)
        names.push_back("object_" + std::to_string(k) + ".obj");
    names.emplace_back("segemented.obj");
    return names;
}

std::vector<std::string> staleSegmentFiles(const std::string& directory, int segmentCount)
{
    namespace fs = std::filesystem;
    std::vector<std::pair<int, std::string>> found;
    std::error_code error;
    fs::directory_iterator it(directory.empty() ? fs::path(".") : fs::path(directory), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        const int k = objectNumber(name);
        std::error_code typeError;
        if (k > std::max(segmentCount, 0) && it->is_regular_file(typeError))
            found.emplace_back(k, joinPath(directory, name.c_str()));
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& entry : found)
        paths.push_back(std::move(entry.second));
    return paths;
}

std::vector<int> positionClasses(const Mesh& mesh, int& count)
{
    const std::size_t n = std::size_t(std::max(mesh.numVertices, 0));
    std::vector<std::array<std::uint32_t, 3>> keys(n);
    for (std::size_t v = 0; v < n; ++v) {
        const Vector& p = mesh.vertices[v];
        keys[v] = { orderKey(p.x), orderKey(p.y), orderKey(p.z) };
    }
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
        [&keys](int a, int b) { return keys[std::size_t(a)] < keys[std::size_t(b)]; });
    std::vector<int> classes(n, 0);
    count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && keys[std::size_t(order[i])] != keys[std::size_t(order[i - 1])])
            ++count;
        classes[std::size_t(order[i])] = count;
    }
    if (n > 0)
        ++count;
    return classes;
}

SegmentObj segmentObj(const Mesh& mesh, const std::vector<int>& faceList,
    const std::vector<int>& classes, std::vector<int>& stamp, std::vector<int>& slot, int fileId)
{
    SegmentObj obj;
    std::string vertexLines;
    std::string faceLines;
    vertexLines.reserve(faceList.size() * 16);
    faceLines.reserve(faceList.size() * 40);
    for (const int f : faceList) {
        const Face& face = mesh.faces[std::size_t(f)];
        unsigned number[3];
        for (int k = 0; k < 3; ++k) {
            const auto v = std::size_t(face.index[k]);
            const auto c = std::size_t(classes[v]);
            if (stamp[c] != fileId) {
                stamp[c] = fileId;
                slot[c] = int(obj.vertices++);
                appendPointLine(vertexLines, "v", mesh.vertices[v], false);
            }
            number[k] = unsigned(slot[c]) + 1;
        }
        obj.corners += 3;
        faceLines += 'f';
        for (const unsigned n : number) {
            faceLines += ' ';
            appendWholeNumber(faceLines, n);
            faceLines += '/';
            appendWholeNumber(faceLines, n);
            faceLines += '/';
            appendWholeNumber(faceLines, n);
        }
        faceLines += '\n';
    }
    obj.text = std::move(vertexLines);
    obj.text += faceLines;
    return obj;
}

SegmentExportReport writeSegmentFiles(
    const Mesh& mesh, int segmentCount, const std::string& directory)
{
    SegmentExportReport report;
    const int nf = std::max(mesh.numFaces, 0);
    const int ids = std::max(segmentCount, 0) + 1;

    // Faces bucketed by segment id in one pass, each bucket in face order.
    std::vector<std::size_t> start(std::size_t(ids) + 1, 0);
    for (int f = 0; f < nf; ++f) {
        const int s = mesh.segment(std::size_t(f));
        if (s >= 0 && s < ids)
            ++start[std::size_t(s) + 1];
    }
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<int> bucketed(start.back());
    {
        std::vector<std::size_t> cursor(start.begin(), start.end() - 1);
        for (int f = 0; f < nf; ++f) {
            const int s = mesh.segment(std::size_t(f));
            if (s >= 0 && s < ids)
                bucketed[cursor[std::size_t(s)]++] = f;
        }
    }

    int classCount = 0;
    const std::vector<int> classes = positionClasses(mesh, classCount);
    std::vector<int> stamp(std::size_t(classCount), -1);
    std::vector<int> slot(std::size_t(classCount), 0);

    const auto writeOne = [&](const std::string& path, const SegmentObj& obj) {
        std::cout << "Saving: " << path << " v:" << obj.vertices << " f:" << obj.corners
                  << std::endl;
        if (writeFileReplacing(path, obj.text)) {
            report.written.push_back(path);
        } else {
            std::cerr << "ERROR: Writing File: " << path << std::endl;
            report.failed.push_back(path);
        }
    };

    const std::vector<std::string> names = segmentFileNames(ids - 1);
    std::vector<int> faceList;
    for (int id = 0; id < ids; ++id) {
        faceList.assign(bucketed.begin() + std::ptrdiff_t(start[std::size_t(id)]),
            bucketed.begin() + std::ptrdiff_t(start[std::size_t(id) + 1]));
        writeOne(joinPath(directory, names[std::size_t(id)].c_str()),
            segmentObj(mesh, faceList, classes, stamp, slot, id));
    }
    faceList.clear();
    for (int f = 0; f < nf; ++f) {
        if (mesh.segment(std::size_t(f)) > 0)
            faceList.push_back(f);
    }
    writeOne(joinPath(directory, names.back().c_str()),
        segmentObj(mesh, faceList, classes, stamp, slot, ids));

    // What an earlier export wrote beyond this one's count would pass for a
    // segment of this mesh.
    for (const std::string& path : staleSegmentFiles(directory, ids - 1)) {
        std::error_code error;
        if (std::filesystem::remove(path, error)) {
            report.removed.push_back(path);
        } else {
            std::cerr << "ERROR: Removing File: " << path << std::endl;
            report.failed.push_back(path);
        }
    }
    return report;
}
