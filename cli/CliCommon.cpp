#include "CliCommon.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <unistd.h>

int fail(const std::string& message)
{
    std::fflush(stdout);
    std::cerr << "facetra-cli: " << message << std::endl;
    return 1;
}

bool loadForTool(Mesh& mesh, const std::string& path, double* loadMs, ObjReadReport* report)
{
    if (const std::string irregular = irregularFileProblem(path); !irregular.empty()) {
        fail(irregular);
        return false;
    }
    if (meshFileKind(path) == MeshFileKind::None) {
        fail("no reader for '" + path + "' (expected " + readableMeshPatterns() + ")");
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    if (!openMeshFile(mesh, path, report)) {
        fail("cannot read '" + path + "'");
        return false;
    }
    if (loadMs)
        *loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                      .count();
    return true;
}

bool parseInt(const std::string& text, int& value)
{
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool parseFloat(const std::string& text, float& value)
{
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

std::FILE* separateJsonOutput()
{
    std::fflush(stdout);
    const int jsonFd = ::dup(1);
    if (jsonFd < 0 || ::dup2(2, 1) < 0) {
        fail("cannot separate the JSON output from the console lines");
        return nullptr;
    }
    std::FILE* out = ::fdopen(jsonFd, "w");
    if (!out)
        fail("cannot open the JSON output");
    return out;
}
