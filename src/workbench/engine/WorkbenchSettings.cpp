// The settings, the clipping planes and the outputs of the workbench.
#include "workbench/engine/Workbench.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteObj.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

// ---- Settings

void Workbench::setClassifierWeight(double weight)
{
    classifierSettings.weight = weight;
    notify(ChangeToolState);
}

void Workbench::setSpMode(int mode)
{
    classifierSettings.spMode = mode == 0 ? 0 : 1;
    notify(ChangeToolState);
}

void Workbench::browsePatch(int patch)
{
    shownPatch = patch;
    notify(ChangeToolState);
}

void Workbench::setPatchThreshold(int percent)
{
    patchThreshold = percent;
    notify(ChangeToolState);
}

void Workbench::setFilterKernel(float slider, int algorithm)
{
    filterSettings.slider = slider;
    filterSettings.algorithm = algorithm;
    // The sphere shows the kernel where the current region stands.
    if (mesh.numVertices > 0 && !running()) {
        meanShift.radius = kernelFromSlider(slider, mesh);
        meanShift.algorithm = algorithm;
    }
    notify(ChangeToolState);
}

void Workbench::setFilterProfile(const std::vector<Vector>& samples, int height)
{
    filterSettings.hasProfile = true;
    filterSettings.profile = samples;
    filterSettings.profileHeight = height;
    if (!running())
        meanShift.setProfile(samples, height);
    notify(ChangeToolState);
}

void Workbench::setUseColourStops(bool on)
{
    useColourStops = on;
    notify(ChangeToolState);
}

bool Workbench::loadTable(const std::string& path)
{
    if (running() || mesh.numFaces <= 0)
        return false;
    classifier.mesh = &mesh;
    const bool ok = classifier.load(path);
    if (ok) {
        loadedTable = path;
        tableGeneration = geometryId;
    }
    notify(ChangeToolState);
    return ok;
}

bool Workbench::saveTable(const std::string& path)
{
    if (running() || mesh.numFaces <= 0)
        return false;
    return classifier.save(path);
}

void Workbench::showFaceColours(bool on)
{
    if (faceColours == on)
        return;
    faceColours = on;
    notify(ChangeDisplay);
}

// ---- Clipping

void Workbench::clipChanged()
{
    ++clipChanges;
    notify(ChangeClipping);
}

void Workbench::selectPlane(int plane)
{
    clipCube.selectPlane(plane);
    clipChanged();
}

void Workbench::invertPlanes(int value)
{
    clipCube.invert = value;
    if (value == 1)
        clipCube.showAll = 1;
    else if (value == 0)
        clipCube.showAll = 0;
    clipChanged();
}

void Workbench::showAllPlanes(int value)
{
    clipCube.showAll = value;
    clipCube.rebuildOutlines();
    clipChanged();
}

void Workbench::resetAllPlanes()
{
    clipCube.resetAll();
    clipChanged();
}

void Workbench::resetCurrentPlane()
{
    clipCube.resetCurrent();
    clipChanged();
}

bool Workbench::loadPlanes(const std::string& path)
{
    const bool ok = clipCube.load(path);
    std::fflush(stdout);
    clipChanged();
    return ok;
}

bool Workbench::savePlanes(const std::string& path) const
{
    const bool ok = clipCube.save(path);
    std::fflush(stdout);
    return ok;
}

void Workbench::pressPlanes(const Vector& position, int code)
{
    clipCube.pressPlanes(position, code);
}

void Workbench::dragPlanes(const Vector& position)
{
    clipCube.dragPlanes(position);
    clipChanged();
}

void Workbench::releasePlanes()
{
    clipCube.releasePlanes();
}

// ---- Outputs

SegmentExportReport Workbench::saveSegments(const std::string& directory) const
{
    return writeSegmentFiles(mesh, traversal.segmentCount, directory);
}

bool Workbench::saveNormals(const std::string& path, Progress* progress) const
{
    std::string text;
    text.reserve(std::size_t(std::max(mesh.numFaces, 0)) * 40);
    char line[96];
    for (int f = 0; f < mesh.numFaces; ++f) {
        if (progress && (f & 16383) == 0)
            progress->checkStop();
        const Vector& n = mesh.faces[std::size_t(f)].normal;
        // Nine significant digits: a float read back is the same float.
        const int length = std::snprintf(
            line, sizeof line, "%.9g %.9g %.9g\n", double(n.x), double(n.y), double(n.z));
        text.append(line, std::size_t(length));
    }
    return writeFileReplacing(path, text, progress);
}

// ---- Script names

std::string meshStem(const std::string& path)
{
    std::string name = std::filesystem::path(path).filename().string();
    const std::size_t dot = name.find('.', 1);
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string stepOutputPath(
    const std::string& name, const std::string& stem, const std::string& folder)
{
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        if (name.compare(i, 6, "{name}") == 0) {
            out += stem;
            i += 6;
        } else {
            out += name[i++];
        }
    }
    if (folder.empty() || std::filesystem::path(out).is_absolute())
        return out;
    return (std::filesystem::path(folder) / out).string();
}
