// facetra-cli as a user meets it on Ctrl+C: the verb stops, says so and leaves
// no output file; and the bar stays off a standard error that is no terminal.
#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
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

struct Child
{
    pid_t pid = -1;
    int out = -1; // standard output, read end
    int err = -1; // standard error, read end
};

Child start(const std::vector<std::string>& args)
{
    int outPipe[2], errPipe[2];
    Child child;
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return child;
    std::vector<char*> argv;
    std::string program = FACETRA_CLI;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    child.pid = ::fork();
    if (child.pid == 0) {
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    child.out = outPipe[0];
    child.err = errPipe[0];
    return child;
}

// Reads both pipes until the child closes them (or `until` appears on standard
// output, when given), then for `until` returns without waiting further.
void drain(Child& c, std::string& out, std::string& err, const std::string& until,
    std::chrono::seconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool outOpen = true, errOpen = true;
    while ((outOpen || errOpen) && std::chrono::steady_clock::now() < deadline) {
        pollfd fds[2] = { { c.out, POLLIN, 0 }, { c.err, POLLIN, 0 } };
        if (::poll(fds, 2, 200) <= 0)
            continue;
        char buffer[4096];
        for (int k = 0; k < 2; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP)))
                continue;
            const ssize_t n = ::read(fds[k].fd, buffer, sizeof buffer);
            if (n <= 0)
                (k == 0 ? outOpen : errOpen) = false;
            else
                (k == 0 ? out : err).append(buffer, std::size_t(n));
        }
        if (!until.empty() && out.find(until) != std::string::npos)
            return;
    }
}

// The exit status, or -1 when the child did not end in time (it is then killed).
int finish(Child& c, std::string& out, std::string& err)
{
    drain(c, out, err, "", std::chrono::seconds(120));
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 600 && done == 0; ++i) {
        done = ::waitpid(c.pid, &status, WNOHANG);
        if (done == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (done == 0) {
        ::kill(c.pid, SIGKILL);
        ::waitpid(c.pid, &status, 0);
        status = -1;
    }
    ::close(c.out);
    ::close(c.err);
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(CliCancel, InterruptEndsTheVerbWith130AndNoOutputAndTheBarStaysOffAPipe)
{
    TempDir dir;
    const std::string in = (dir.path() / "grid.obj").string();
    writeGrid(in, 150);

    // A whole run with standard error a pipe: no bar, nothing at all there.
    {
        const std::string out = (dir.path() / "small.obj").string();
        Child child = start({ "subdivide", "--levels", "1", in, out });
        ASSERT_GT(child.pid, 0);
        std::string stdoutText, stderrText;
        EXPECT_EQ(finish(child, stdoutText, stderrText), 0);
        EXPECT_EQ(stderrText, "");
        EXPECT_TRUE(fs::exists(out));
    }

    // Ctrl+C once the first console line is out: status 130, "Cancelled",
    // and neither the output nor a temporary file beside it.
    const std::string out = (dir.path() / "big.obj").string();
    Child child = start({ "subdivide", "--levels", "3", in, out });
    ASSERT_GT(child.pid, 0);
    std::string stdoutText, stderrText;
    drain(child, stdoutText, stderrText, "\n", std::chrono::seconds(60));
    ASSERT_NE(stdoutText.find('\n'), std::string::npos) << stderrText;
    ::kill(child.pid, SIGINT);
    EXPECT_EQ(finish(child, stdoutText, stderrText), 130) << stdoutText;
    EXPECT_EQ(stderrText, "Cancelled\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "grid.obj", "small.obj" }));
}
