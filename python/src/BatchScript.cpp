#include "BatchScript.h"

#include "Tools.h"

#include "PyProgress.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"
#include "workbench/engine/Step.h"
#include "workbench/engine/ToolRunner.h"
#include "workbench/engine/Workbench.h"

#ifdef FACETRA_PY_HEIGHTMAP_PNG
#include "terrain/ui/HeightMapImage.h"
#include <QFile>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace fs = std::filesystem;

bool isSaveVerb(const std::string& verb)
{
    return verb == "save" || verb == "save-normals" || verb == "save-segments"
        || verb == "save-table";
}

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

namespace {

bool parseChecked(const std::string& script, std::vector<ScriptLine>& lines, std::string& problem)
{
    if (!parseScript(script, lines, problem))
        return false;
    for (const ScriptLine& line : lines) {
        if (!Workbench::checkStep(line.step, problem)) {
            problem = "line " + std::to_string(line.line) + ": " + problem;
            return false;
        }
    }
    return true;
}

std::string savedPath(const Step& step, const std::string& mesh, const std::string& outDir)
{
    return stepOutputPath(step.args.at(0), meshStem(mesh), outDir);
}

#ifdef FACETRA_PY_HEIGHTMAP_PNG
bool readHeightMapPng(const std::string& path, HeightMap& map, std::string& problem)
{
    QImage image;
    if (!loadHeightMapImage(QFile::decodeName(QByteArray::fromStdString(path)), image)) {
        problem = "not a PNG image";
        return false;
    }
    map = heightMapFromImage(image);
    return true;
}
#endif

} // namespace

void installHeightMapReader(Workbench& workbench)
{
#ifdef FACETRA_PY_HEIGHTMAP_PNG
    workbench.heightMapReader = readHeightMapPng;
#else
    (void)workbench;
#endif
}

bool checkBatch(const std::string& script, const std::vector<std::string>& meshes,
    const std::string& outDir, std::string& problem)
{
    std::vector<ScriptLine> lines;
    if (!parseChecked(script, lines, problem))
        return false;
    // Two meshes saving to one file would leave whichever came last.
    std::map<fs::path, std::size_t> writer;
    for (const ScriptLine& line : lines) {
        if (!isSaveVerb(line.step.verb))
            continue;
        for (std::size_t m = 0; m < meshes.size(); ++m) {
            const std::string path = savedPath(line.step, meshes[m], outDir);
            const auto [at, added] = writer.try_emplace(fs::absolute(path).lexically_normal(), m);
            if (!added && at->second != m) {
                problem = "line " + std::to_string(line.line) + ": '" + meshes[at->second]
                    + "' and '" + meshes[m] + "' would both write '" + path
                    + "' ({name} tells them apart)";
                return false;
            }
        }
    }
    if (!outDir.empty()) {
        std::error_code error;
        fs::create_directories(outDir, error);
        if (!fs::is_directory(outDir, error)) {
            problem = "cannot use '" + outDir + "' as the output folder";
            return false;
        }
    }
    return true;
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
    const auto fail = [&record](const std::string& status, const std::string& why) {
        record.status = status;
        record.error = why;
    };
    std::vector<ScriptLine> lines;
    std::string problem;
    Workbench::Options options { .keepBackup = false, .keepHistory = false };
    if (parseChecked(script, lines, problem)) {
        // The memory a mesh takes is the work itself unless the script asks
        // for the mesh as read or for what steps replaced.
        for (const ScriptLine& line : lines) {
            options.keepBackup |= line.step.verb == "reload";
            options.keepHistory |= line.step.verb == "undo" || line.step.verb == "redo";
        }
    } else {
        fail("failed: " + problem, problem);
    }

    PyProgress progress(flag);
    ToolRunner runner(&progress);
    Workbench bench(options);
    bench.setRunner(&runner);
    installHeightMapReader(bench);
    try {
        progress.checkStop();
        std::string why;
        if (record.status.empty()) {
            why = irregularFileProblem(mesh);
            if (why.empty() && meshFileKind(mesh) == MeshFileKind::None)
                why = mesh + ": no reader for this kind of file (readable: "
                    + readableMeshPatterns() + ")";
            if (why.empty() && !bench.open(mesh, &why) && why.empty())
                why = "cannot read '" + mesh + "'";
            if (!why.empty())
                fail("failed: " + why, why);
        }
        for (std::size_t i = 0; record.status.empty() && i < lines.size(); ++i) {
            Step step = lines[i].step;
            if (isSaveVerb(step.verb))
                step.args[0] = savedPath(step, mesh, outDir);
            progress.checkStop();
            Workbench::StepEnd end { Workbench::Outcome::Failed, "the step did not end" };
            bench.run(step, [&end](const Workbench::StepEnd& e) { end = e; });
            if (end.outcome == Workbench::Outcome::Cancelled) {
                if (runner.lastOutcome() != RunOutcome::Failed)
                    throw RunCancelled();
                end = { Workbench::Outcome::Failed, step.verb + " failed: see the console" };
            }
            if (end.outcome != Workbench::Outcome::Done) {
                fail("failed at line " + std::to_string(lines[i].line) + " (" + step.verb
                        + "): " + end.message,
                    end.message);
            }
        }
        if (record.status.empty()) {
            const std::size_t n = lines.size();
            record.status = "done (" + std::to_string(n) + (n == 1 ? " step)" : " steps)");
        }
    } catch (const RunCancelled&) {
        fail("cancelled", "cancelled");
    }
    record.vertices = bench.mesh.numVertices;
    record.faces = bench.mesh.numFaces;
    record.edges = bench.mesh.numEdges;
    record.seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return record;
}
