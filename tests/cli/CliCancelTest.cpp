// facetra-cli as a user meets it on Ctrl+C: the verb stops, says so and leaves
// no output file; and the bar stays off a standard error that is no terminal.
#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testutil;

namespace {

// A flat n x n grid as an OBJ file.
void writeGrid(const std::string& path, int n)
{
    std::vector<Vector> points;
    std::vector<std::array<int, 3>> faces;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            points.emplace_back(float(j), float(i), float((i * j) % 5) * 0.1f);
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j + 1 < n; ++j) {
            const int a = i * n + j;
            faces.push_back({ a, a + 1, a + n + 1 });
            faces.push_back({ a, a + n + 1, a + n });
        }
    }
    Mesh mesh;
    makeMesh(mesh, points, faces);
    testing::internal::CaptureStdout();
    const bool written = writeObj(mesh, path);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(written);
}

// Starts facetra-cli with standard output and error going to files.
pid_t start(std::vector<std::string> args, const fs::path& out, const fs::path& err)
{
    std::vector<char*> argv { const_cast<char*>(FACETRA_CLI) };
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

int exitStatus(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(CliCancel, InterruptEndsTheVerbWith130AndNoOutputAndTheBarStaysOffAPipe)
{
    TempDir dir;
    const std::string in = (dir.path() / "grid.obj").string();
    writeGrid(in, 150);

    const fs::path out = dir.path() / "out.txt", err = dir.path() / "err.txt";
    // A whole run with standard error no terminal: no bar, nothing at all there.
    const std::string small = (dir.path() / "small.obj").string();
    EXPECT_EQ(exitStatus(start({ "subdivide", "--levels", "1", in, small }, out, err)), 0);
    EXPECT_EQ(readFile(err.string()), "");
    EXPECT_TRUE(fs::exists(small));

    // Ctrl+C once the first console line is out: status 130, "Cancelled",
    // and neither the output nor a temporary file beside it.
    const fs::path out2 = dir.path() / "out2.txt", err2 = dir.path() / "err2.txt";
    const pid_t child
        = start({ "subdivide", "--levels", "3", in, (dir.path() / "big.obj").string() }, out2, err2);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (readFile(out2.string()).find('\n') == std::string::npos
        && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(child, SIGINT);
    EXPECT_EQ(exitStatus(child), 130) << readFile(out2.string());
    EXPECT_EQ(readFile(err2.string()), "Cancelled\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
        (std::vector<std::string> {
            "err.txt", "err2.txt", "grid.obj", "out.txt", "out2.txt", "small.obj" }));
}
