#include "TestUtil.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct CliRun
{
    int status = -1;
    std::string out;
};

// Runs facetra-cli with these arguments; standard output only (the console
// lines of the readers go to the error stream, which is dropped).
CliRun runCli(const std::vector<std::string>& args)
{
    // The paths of these tests hold no single quote.
    std::string command = "'" FACETRA_CLI "'";
    for (const std::string& a : args)
        command += " '" + a + "'";
    command += " 2>/dev/null";
    CliRun run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The one JSON object "info --json" prints for path.
nlohmann::json info(const std::string& path)
{
    const CliRun run = runCli({ "info", "--json", path });
    EXPECT_EQ(run.status, 0) << path;
    return nlohmann::json::parse(run.out, nullptr, false);
}

// Counts from the readers, the edge graph and the bounding box against counts
// made independently of this program; then a conversion of each file must
// keep positions to six digits and every triangle.
TEST(CliInfo, CountsMatchTheIndependentReferenceAndConvertWritesWhatSavingWould)
{
    const testutil::RealMeshes meshes;
    if (!meshes.present())
        GTEST_SKIP() << "no real meshes at " << FACETRA_MESH_DIR;
    const auto reference = meshes.referenceCounts();
    testutil::TempDir dir;
    for (const auto& file : meshes.files()) {
        SCOPED_TRACE(file.name);
        const auto j = info(file.path);
        ASSERT_TRUE(reference.count(file.name)) << "no reference line";
        const auto& want = reference.at(file.name);
        for (const char* key : { "vertices", "faces", "edges", "boundary_edges" })
            EXPECT_EQ(j.at(key), want.at(key)) << key;
        for (const char* key : { "bbox_min", "bbox_max" }) {
            for (std::size_t k = 0; k < 3; ++k) {
                const double w = want.at(key)[k].get<double>();
                EXPECT_NEAR(j.at(key)[k].get<double>(), w, 1e-5 * (1 + std::abs(w))) << key;
            }
        }
        EXPECT_NEAR(j.at("extent").get<double>(), want.at("extent").get<double>(),
            1e-5 * want.at("extent").get<double>());

        // Converting writes what saving the loaded mesh writes.
        const std::string out = dir.file("converted-" + file.name);
        ASSERT_EQ(runCli({ "convert", file.path, out }).status, 0);
        Mesh loaded;
        testutil::captureStdout([&] {
            readMeshFile(loaded, file.path);
            writeObj(loaded, dir.file("saved.obj"));
        });
        EXPECT_EQ(testutil::readFile(out), testutil::readFile(dir.file("saved.obj")));
        EXPECT_EQ(info(out).at("face_format"), 4);
    }
}

TEST(CliInfo, FailedFilesPrintNoJsonAndEightBitNamesBecomeUtf8)
{
    testutil::TempDir dir;
    const std::string good = dir.write("caf\xE9.obj",
        "mn caf\xE9 na\xC3\xAFve\nv 0 0 0\nv 1 0 0\nv 0 1 0\nm 0.5 1\nf 1/1/ 2/2/ 3/3/\n");
    const std::string unknown = dir.write("mesh.stp", "v 0 0 0\n");
    const CliRun run = runCli({ "info", "--json", dir.file("missing.obj"), good, unknown });
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j.at("face_format"), 4);
    EXPECT_EQ(j.at("boundary_edges"), 3);
    // A Latin-1 file name and morphogen name, and a UTF-8 one kept as it is.
    EXPECT_EQ(j.at("morphogens"), nlohmann::json::array({ "caf\xC3\xA9", "na\xC3\xAFve" }));
    EXPECT_TRUE(j.at("file").get<std::string>().ends_with("caf\xC3\xA9.obj"));
    // The net format has no face format.
    const std::string net
        = dir.write("quad.net", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 0 1 2 3\n");
    EXPECT_TRUE(info(net).at("face_format").is_null());
}

TEST(Cli, UsageErrorsEmptyMeshesAndUnwritableTargetsFailAndTheSampleIsClosed)
{
    testutil::TempDir dir;
    const std::string empty = dir.write("empty.obj", "# nothing\n");
    const std::string tri = dir.write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    const std::pair<std::vector<std::string>, int> cases[]
        = { { {}, 1 }, { { "--help" }, 0 }, { { "frobnicate" }, 1 }, { { "info", "--help" }, 0 },
              { { "info", "--json" }, 1 }, { { "info", "--bogus", tri }, 1 }, { { "sample" }, 1 },
              { { "convert", tri }, 1 }, { { "convert", empty, dir.file("e.obj") }, 1 },
              { { "convert", tri, dir.file("missing/dir/x.obj") }, 1 } };
    for (const auto& [args, status] : cases)
        EXPECT_EQ(runCli(args).status, status) << (args.empty() ? "" : args[0]);
    EXPECT_FALSE(std::filesystem::exists(dir.file("e.obj")));
    // The sample: 300 rings of 24 vertices, two triangles per quad, no border.
    ASSERT_EQ(runCli({ "sample", dir.file("knot.obj") }).status, 0);
    const auto j = info(dir.file("knot.obj"));
    EXPECT_TRUE(j.at("faces") == 14400 && j.at("edges") == 21600 && j.at("boundary_edges") == 0);
}

} // namespace
