#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "mesh/engine/Progress.h"
#include "workbench/engine/Steps.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>

int runClassify(const Args& args)
{
    float weight = 0.5f;
    int mode = 0;
    int patches = 0;
    bool json = false;
    std::string loadTable, saveTable;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            json = true;
            continue;
        }
        if (a == "--weight" || a == "--mode" || a == "--patches" || a == "--load-table"
            || a == "--save-table") {
            if (i + 1 >= args.size())
                return fail(a + " needs a value");
            const std::string& value = args[++i];
            if (a == "--weight"
                && (!parseFloat(value, weight) || !(weight >= 0.0f && weight <= 1.0f)))
                return fail("--weight takes a number from 0 to 1, not '" + value + "'");
            if (a == "--mode") {
                if (value != "floyd" && value != "dijkstra")
                    return fail("--mode takes floyd or dijkstra, not '" + value + "'");
                mode = value == "floyd" ? 0 : 1;
            }
            if (a == "--patches" && (!parseInt(value, patches) || patches < 1 || patches > 50))
                return fail("--patches takes a whole number from 1 to 50, not '" + value + "'");
            if (a == "--load-table")
                loadTable = value;
            if (a == "--save-table")
                saveTable = value;
        } else if (!a.empty() && a[0] == '-') {
            return fail("unknown option '" + a + "' for classify");
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 1) {
        return fail("classify takes [--weight W] [--mode floyd|dijkstra] [--patches N] "
                    "[--load-table F.spt] [--save-table F.spt] [--json] IN (see facetra-cli "
                    "classify --help)");
    }

    // With --json, standard output carries only the JSON line: the console
    // lines go to the error stream.
    std::FILE* out = stdout;
    if (json) {
        out = separateJsonOutput();
        if (!out)
            return 1;
    }

    VerbBench bench;
    if (!bench.open(files[0]))
        return 1;
    const Workbench& wb = bench.workbench;
    if (wb.mesh.numVertices == 0 || wb.mesh.numFaces == 0)
        return fail("'" + files[0] + "' has no faces to classify");

    // As the window does: the settings, an optional table, Apply on the page,
    // then the re-partition with the patch count the page is sent.
    if (!loadTable.empty() && !bench.workbench.loadTable(loadTable))
        return fail("the table '" + loadTable + "' was not loaded");
    const auto start = std::chrono::steady_clock::now();
    if (const auto end = bench.run(classifyStep(double(weight), mode, patches));
        end.outcome != Workbench::Outcome::Done)
        return fail("'" + files[0] + "' was not classified" + stepReason(end));
    const double ms
        = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
    std::fflush(stdout);
    if (!saveTable.empty()
        && bench.run(saveStep("save-table", saveTable)).outcome != Workbench::Outcome::Done)
        return fail("cannot write the table '" + saveTable + "'");

    verbProgress().checkStop();
    // The partition gives every face a patch; without one (no seeds) only the
    // count found is told.
    const Mesh_Classifier& c = wb.classifier;
    const bool partitioned = !c.patchOfFace.empty();
    if (json) {
        nlohmann::json j;
        j["numPatches"] = c.numPatches;
        j["seeds"] = nlohmann::json::array();
        j["patch"] = nlohmann::json::array();
        if (partitioned) {
            for (int p = 0; p < c.numPatches; ++p)
                j["seeds"].push_back(c.seeds[std::size_t(p)]);
            for (int patch : c.patchOfFace)
                j["patch"].push_back(patch);
        }
        j["ms"] = ms;
        std::fprintf(out, "%s\n", j.dump().c_str());
        std::fclose(out);
    } else {
        std::printf("%d patches in %.1f ms\n", c.numPatches, ms);
    }
    return 0;
}
