// What facetra-cli says about the files it reads: a reason for
// every file it could not read, on the error stream only, and one JSON line
// per file.
#include "CliProcess.h"

#include <nlohmann/json.hpp>

#include <sstream>

using namespace testutil;
using clitest::CliRun;
using clitest::runCli;

namespace {

const char* const triangleObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

std::vector<nlohmann::json> jsonLines(const std::string& out)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(nlohmann::json::parse(line));
    return lines;
}

} // namespace

// The version: install_tree, against the package's.
TEST(CliInput, UsageAndUnreadableFilesGoWhereTheyBelong)
{
    // No command: the usage is an error.
    const CliRun bare = runCli({});
    EXPECT_EQ(bare.status, 1);
    EXPECT_EQ(bare.out, "");
    EXPECT_NE(bare.err.find("usage: facetra-cli"), std::string::npos);

    // A missing input, for the inspecting verb and for one that changes the
    // mesh: one line naming the file on the error stream, nothing written.
    TempDir dir;
    const std::string missing = dir.file("missing.obj");
    for (const std::vector<std::string>& args : { std::vector<std::string> { "info", missing },
             std::vector<std::string> { "convert", missing, dir.file("out.obj") },
             std::vector<std::string> {
                 "subdivide", "--levels", "1", missing, dir.file("out.obj") } }) {
        SCOPED_TRACE(args[0]);
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "facetra-cli: " + missing + ": no such file\n");
        EXPECT_EQ(run.out.find("no such file"), std::string::npos) << run.out;
        EXPECT_FALSE(fs::exists(dir.file("out.obj")));
    }
}

// N files, N lines: a file that could not be read gives its name and the
// reason. Eight-bit names (Latin-1 file and morphogen names) come out as UTF-8,
// UTF-8 ones as they are; the net format has no face format.
TEST(CliInput, InfoJsonGivesOneLinePerFileAndTheReasonsOfThoseThatFailed)
{
    TempDir dir;
    const std::string good = dir.write("caf\xE9.obj",
        "mn caf\xE9 na\xC3\xAFve\nv 0 0 0\nv 1 0 0\nv 0 1 0\nm 0.5 1\nf 1/1/ 2/2/ 3/3/\n");
    const std::string net
        = dir.write("quad.net", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 0 1 2 3\n");
    const std::string unknown = dir.write("mesh.stp", triangleObj);
    const std::string missing = dir.file("missing.obj");
    const CliRun run = runCli({ "info", "--json", missing, good, unknown, net });
    EXPECT_EQ(run.status, 1);
    const auto lines = jsonLines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    const std::string reasons[]
        = { missing + ": no such file", "", unknown + ": no reader for this kind of file", "" };
    const std::string files[] = { missing, dir.file("caf\xC3\xA9.obj"), unknown, net };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].at("file"), files[i]);
        if (reasons[i].empty()) {
            EXPECT_EQ(lines[i].at("faces"), i == 1 ? 1 : 2);
            EXPECT_FALSE(lines[i].contains("error"));
        } else {
            EXPECT_EQ(lines[i].at("error").get<std::string>().rfind(reasons[i], 0), 0u)
                << lines[i].dump();
            // The same reason on the error stream.
            EXPECT_NE(run.err.find("facetra-cli: " + reasons[i]), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(lines[1].at("morphogens"), nlohmann::json::array({ "caf\xC3\xA9", "na\xC3\xAFve" }));
    EXPECT_EQ(lines[1].at("face_format"), 4);
    EXPECT_EQ(lines[1].at("boundary_edges"), 3);
    EXPECT_TRUE(lines[3].at("face_format").is_null());
}
