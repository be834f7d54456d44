#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs facetra-cli with these arguments; standard output only (the console
// lines of the readers go to the error stream, which is dropped).
CliRun runCli(const std::vector<std::string>& args)
{
    std::string command = quoted(FACETRA_CLI);
    for (const std::string& a : args) {
        command += ' ';
        command += quoted(a);
    }
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

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

const std::set<std::string> kInfoKeys = { "file",     "vertices", "faces",    "edges",
                                          "boundary_edges", "morphogens", "face_format",
                                          "bbox_min", "bbox_max", "extent",   "centre",
                                          "load_ms" };

std::set<std::string> keysOf(const nlohmann::json& j)
{
    std::set<std::string> keys;
    for (const auto& item : j.items())
        keys.insert(item.key());
    return keys;
}

std::map<std::string, nlohmann::json> referenceCounts(const std::string& path)
{
    std::map<std::string, nlohmann::json> reference;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            const auto j = nlohmann::json::parse(line);
            reference[j.at("file").get<std::string>()] = j;
        }
    }
    return reference;
}

TEST(CliInfo, JsonCountsMatchTheReference)
{
    const testutil::RealMeshes meshes;
    if (!meshes.present())
        GTEST_SKIP() << "no real meshes at " << FACETRA_MESH_DIR;
    const auto reference = referenceCounts(meshes.referencePath());

    std::vector<std::string> args = { "info", "--json" };
    for (const auto& f : meshes.files())
        args.push_back(f.path);
    const CliRun run = runCli(args);
    ASSERT_EQ(run.status, 0);
    const auto objects = lines(run.out);
    // Exactly one JSON object per file, in argument order, and nothing else.
    ASSERT_EQ(objects.size(), meshes.files().size()) << run.out;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const auto& file = meshes.files()[i];
        SCOPED_TRACE(file.name);
        nlohmann::json j;
        ASSERT_NO_THROW(j = nlohmann::json::parse(objects[i])) << objects[i];
        ASSERT_TRUE(j.is_object());
        EXPECT_EQ(keysOf(j), kInfoKeys);
        EXPECT_EQ(j.at("file").get<std::string>(), file.path);
        ASSERT_TRUE(reference.count(file.name)) << "no reference line";
        const auto& want = reference.at(file.name);
        for (const char* key : { "vertices", "faces", "edges", "boundary_edges" })
            EXPECT_EQ(j.at(key).get<long long>(), want.at(key).get<long long>()) << key;
        for (int k = 0; k < 3; ++k) {
            const double lo = want.at("bbox_min")[std::size_t(k)].get<double>();
            const double hi = want.at("bbox_max")[std::size_t(k)].get<double>();
            EXPECT_NEAR(j.at("bbox_min")[std::size_t(k)].get<double>(), lo, 1e-5 * (1 + std::abs(lo)));
            EXPECT_NEAR(j.at("bbox_max")[std::size_t(k)].get<double>(), hi, 1e-5 * (1 + std::abs(hi)));
        }
        EXPECT_NEAR(j.at("extent").get<double>(), want.at("extent").get<double>(),
                    1e-5 * want.at("extent").get<double>());
    }
}

TEST(CliInfo, FailuresPrintNoJson)
{
    testutil::TempDir dir;
    const std::string good = dir.write("good.obj", "mn heat\nv 0 0 0\nv 1 0 0\nv 0 1 0\nm 0.5\n"
                                                   "f 1/1/ 2/2/ 3/3/\n");
    const std::string unknown = dir.write("mesh.gts", "v 0 0 0\n");
    const CliRun run = runCli({ "info", "--json", dir.file("missing.obj"), good, unknown });
    EXPECT_EQ(run.status, 1);
    const auto objects = lines(run.out);
    ASSERT_EQ(objects.size(), 1u) << run.out;
    const auto j = nlohmann::json::parse(objects[0]);
    EXPECT_EQ(keysOf(j), kInfoKeys);
    EXPECT_EQ(j.at("vertices"), 3);
    EXPECT_EQ(j.at("faces"), 1);
    EXPECT_EQ(j.at("edges"), 3);
    EXPECT_EQ(j.at("boundary_edges"), 3);
    EXPECT_EQ(j.at("face_format"), 4);
    EXPECT_EQ(j.at("morphogens"), nlohmann::json::array({ "heat" }));

    // The net format has no face format.
    const std::string net = dir.write("tri.net", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n");
    const CliRun netRun = runCli({ "info", "--json", net });
    ASSERT_EQ(netRun.status, 0);
    EXPECT_TRUE(nlohmann::json::parse(netRun.out).at("face_format").is_null());

    EXPECT_EQ(runCli({ "info", "--json" }).status, 1);
    EXPECT_EQ(runCli({ "info", "--bogus", good }).status, 1);
}

std::string sixDigits(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", double(value));
    return text;
}

TEST(CliInfo, EightBitNamesBecomeUtf8)
{
    testutil::TempDir dir;
    // A Latin-1 file name and morphogen name, and a UTF-8 one kept as it is.
    const std::string path
        = dir.write("caf\xE9.obj", "mn caf\xE9 na\xC3\xAFve\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    const CliRun run = runCli({ "info", "--json", path });
    ASSERT_EQ(run.status, 0);
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j.at("morphogens"), nlohmann::json::array({ "caf\xC3\xA9", "na\xC3\xAFve" }));
    const std::string file = j.at("file").get<std::string>();
    EXPECT_EQ(file.substr(file.size() - 9), "caf\xC3\xA9.obj");
}

void expectSameMesh(const std::string& originalPath, const std::string& convertedPath)
{
    Mesh original, converted;
    bool ok1 = false, ok2 = false;
    testutil::captureStdout([&] {
        ok1 = readObj(original, originalPath);
        ok2 = readObj(converted, convertedPath);
    });
    ASSERT_TRUE(ok1 && ok2);
    ASSERT_EQ(converted.numVertices, original.numVertices);
    ASSERT_EQ(converted.numFaces, original.numFaces);
    for (int i = 0; i < original.numVertices; ++i) {
        const Vector& a = original.vertices[std::size_t(i)];
        const Vector& b = converted.vertices[std::size_t(i)];
        for (auto [u, v] : { std::pair { a.x, b.x }, { a.y, b.y }, { a.z, b.z } })
            ASSERT_EQ(sixDigits(v), sixDigits(u)) << "vertex " << i;
    }
    ASSERT_EQ(testutil::triangles(converted), testutil::triangles(original));
}

TEST(CliConvert, RoundTripsPositionsAndTriangles)
{
    const testutil::RealMeshes meshes;
    if (!meshes.present())
        GTEST_SKIP() << "no real meshes at " << FACETRA_MESH_DIR;
    testutil::TempDir dir;
    for (const auto& file : meshes.files()) {
        SCOPED_TRACE(file.name);
        const std::string out = dir.file("converted-" + file.name);
        ASSERT_EQ(runCli({ "convert", file.path, out }).status, 0);
        const CliRun before = runCli({ "info", "--json", file.path });
        const CliRun after = runCli({ "info", "--json", out });
        ASSERT_EQ(after.status, 0);
        const auto a = nlohmann::json::parse(before.out), b = nlohmann::json::parse(after.out);
        for (const char* key : { "vertices", "faces", "edges", "boundary_edges" })
            EXPECT_EQ(b.at(key), a.at(key)) << key;
        EXPECT_EQ(b.at("face_format"), 4);
        expectSameMesh(file.path, out);
    }
}

TEST(CliConvert, NetInputAndFailures)
{
    testutil::TempDir dir;
    const std::string net
        = dir.write("quad.net", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 0 1 2 3\n");
    const std::string out = dir.file("quad.obj");
    ASSERT_EQ(runCli({ "convert", net, out }).status, 0);
    EXPECT_EQ(testutil::readFile(out),
              "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1/1/ 2/2/ 3/3/\nf 1/1/ 3/3/ 4/4/\n");

    // An empty mesh writes nothing and fails; so does an unwritable target.
    const std::string empty = dir.write("empty.obj", "# nothing\n");
    EXPECT_EQ(runCli({ "convert", empty, dir.file("e.obj") }).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("e.obj")));
    EXPECT_EQ(runCli({ "convert", net, dir.file("missing/dir/x.obj") }).status, 1);
    EXPECT_EQ(runCli({ "convert", net }).status, 1);
}

TEST(CliSample, IsAClosedColouredMesh)
{
    testutil::TempDir dir;
    const std::string path = dir.file("knot.obj");
    ASSERT_EQ(runCli({ "sample", path }).status, 0);
    const CliRun run = runCli({ "info", "--json", path });
    ASSERT_EQ(run.status, 0);
    const auto j = nlohmann::json::parse(run.out);
    // 300 rings of 24 vertices, two triangles per quad, no border.
    EXPECT_EQ(j.at("vertices"), 7200);
    EXPECT_EQ(j.at("faces"), 14400);
    EXPECT_EQ(j.at("edges"), 21600);
    EXPECT_EQ(j.at("boundary_edges"), 0);

    Mesh mesh;
    testutil::captureStdout([&] { readObj(mesh, path); });
    ASSERT_EQ(mesh.numVertices, 7200);
    for (const Vector& c : mesh.vertexColours)
        EXPECT_TRUE(c.x > 0 || c.y > 0 || c.z > 0);
}

TEST(Cli, UsageErrors)
{
    EXPECT_EQ(runCli({}).status, 1);
    EXPECT_EQ(runCli({ "--help" }).status, 0);
    EXPECT_EQ(runCli({ "frobnicate" }).status, 1);
    EXPECT_EQ(runCli({ "info", "--help" }).status, 0);
    EXPECT_EQ(runCli({ "sample" }).status, 1);
}

} // namespace
