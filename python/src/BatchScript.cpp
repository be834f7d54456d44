#include "BatchScript.h"

#include "Tools.h"

#include "PyProgress.h"

#include "mesh/engine/Progress.h"
#include "workbench/engine/Batch.h"
#include "workbench/engine/ToolRunner.h"
#include "workbench/engine/Workbench.h"

#ifdef FACETRA_PY_HEIGHTMAP_PNG
#include "terrain/ui/HeightMapImage.h"
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

bool readScript(const std::string& path, std::string& text)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void installHeightMapReader(Workbench& workbench)
{
#ifdef FACETRA_PY_HEIGHTMAP_PNG
    workbench.heightMapReader = readHeightMapFile;
#else
    (void)workbench;
#endif
}

bool checkBatch(const std::string& script, const std::vector<std::string>& meshes,
    const std::string& outDir, std::string& problem)
{
    CheckedScript checked;
    return checkScript(script, checked, problem)
        && checkBatchOutputs(checked, meshes, outDir, problem);
}

std::string resolveScriptFiles(const std::string& script, const std::string& folder)
{
    std::vector<ScriptLine> lines;
    std::string problem;
    if (!parseScript(script, lines, problem))
        return script;
    bool changed = false;
    for (ScriptLine& line : lines) {
        for (const char* key : { "heightmap", "settings", "load-table" }) {
            const std::string* value = line.step.find(key);
            if (value && !value->empty() && fs::path(*value).is_relative()) {
                line.step.set(key, (fs::path(folder) / *value).string());
                changed = true;
            }
        }
    }
    if (!changed)
        return script;
    std::vector<std::string> text(std::size_t(lines.empty() ? 0 : lines.back().line));
    for (const ScriptLine& line : lines)
        text[std::size_t(line.line - 1)] = line.step.text();
    std::string out;
    for (const std::string& line : text)
        out += line + "\n";
    return out;
}

BatchRecord runBatchMesh(const std::string& script, const std::string& mesh,
    const std::string& outDir, const std::shared_ptr<StopFlag>& flag)
{
    const auto start = std::chrono::steady_clock::now();
    BatchRecord record;
    CheckedScript checked;
    std::string problem;
    if (!checkScript(script, checked, problem)) {
        record.status = "failed: " + problem;
        record.error = problem;
    }
    PyProgress progress(flag);
    ToolRunner runner(&progress);
    // A failed run is said once, in the record.
    runner.setFailureLines(false);
    Workbench bench(checked.options);
    bench.setRunner(&runner);
    installHeightMapReader(bench);
    try {
        if (record.status.empty()) {
            const BatchEnd end = runScriptOn(bench, checked, mesh, outDir, &progress);
            record.status = end.status;
            record.error = end.reason;
        }
    } catch (const RunCancelled&) {
        record.status = record.error = "cancelled";
    }
    record.vertices = bench.mesh.numVertices;
    record.faces = bench.mesh.numFaces;
    record.edges = bench.mesh.numEdges;
    record.seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return record;
}
