// facetra-cli under an address-space limit just above what it needs to start,
// and under a file-size limit: work that does not fit is refused or fails with
// one line on standard error and status 1, and no file is lost.

#include "TestUtil.h"

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testutil::readFile;
using testutil::TempDir;

struct Limits
{
    // Bytes; 0: the limit as it is.
    rlim_t addressSpace = 0;
    rlim_t fileSize = 0;
};

struct Ended
{
    int status = -1;
    std::string err;
};

// Runs facetra-cli with the limits set in its own process; SIGXFSZ ignored,
// so that a write past the file-size limit fails with EFBIG rather than
// ending the process.
Ended runLimited(const TempDir& dir, std::vector<std::string> args, Limits limits)
{
    std::vector<char*> argv { const_cast<char*>(FACETRA_CLI) };
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = dir.file("stdout"), err = dir.file("stderr");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        ::signal(SIGXFSZ, SIG_IGN);
        if (limits.addressSpace) {
            const rlimit as { limits.addressSpace, limits.addressSpace };
            ::setrlimit(RLIMIT_AS, &as);
        }
        if (limits.fileSize) {
            const rlimit fs { limits.fileSize, limits.fileSize };
            ::setrlimit(RLIMIT_FSIZE, &fs);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int how = 0;
    ::waitpid(pid, &how, 0);
    return { WIFEXITED(how) ? WEXITSTATUS(how) : -WTERMSIG(how), readFile(err) };
}

// An n x n grid of vertices, two triangles a cell, as OBJ text.
std::string gridObj(int n)
{
    std::string text;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            text += "v " + std::to_string(x) + " " + std::to_string(y) + " "
                + std::to_string((x * y) % 7) + "\n";
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int a = y * n + x + 1, b = a + 1, c = a + n, d = c + 1;
            text += "f " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(d)
                + "\nf " + std::to_string(a) + " " + std::to_string(d) + " " + std::to_string(c)
                + "\n";
        }
    }
    return text;
}

int lines(const std::string& text)
{
    return int(std::count(text.begin(), text.end(), '\n'));
}

// The least address space (to 4 MB) in which facetra-cli reads and writes a
// tiny mesh: what it needs to start, with its threads and libraries.
rlim_t startingSpace(const TempDir& dir, const std::string& tiny)
{
    rlim_t low = rlim_t(4) << 20, high = rlim_t(4) << 30;
    if (runLimited(dir, { "convert", tiny, dir.file("tiny-out.obj") }, { high, 0 }).status != 0)
        return 0;
    while (high - low > (rlim_t(4) << 20)) {
        const rlim_t mid = low + (high - low) / 2;
        (runLimited(dir, { "convert", tiny, dir.file("tiny-out.obj") }, { mid, 0 }).status == 0
                ? high
                : low)
            = mid;
    }
    return high;
}

TEST(ResourceLimits, WorkThatDoesNotFitIsOneLineAndStatusOneAndLeavesTheOutputAlone)
{
    const TempDir dir;
    const std::string tiny = dir.write("tiny.obj", gridObj(4));
    const rlim_t start = startingSpace(dir, tiny);
    ASSERT_GT(start, 0u) << "facetra-cli does not run under a limit of 4 GB";
    // Room for a small mesh's work, not for any of these.
    const rlim_t limit = start + (rlim_t(48) << 20);
    const std::string big = dir.write("big.obj", gridObj(1200));
    const std::string small = dir.write("small.obj", gridObj(60));
    // Read in a few megabytes; its distance table takes 770 MB.
    const std::string medium = dir.write("medium.obj", gridObj(100));
    const std::string old = "old bytes\n";
    struct Case
    {
        const char* what;
        std::vector<std::string> args;
        // What the line says.
        const char* says;
    } cases[] = {
        { "load", { "convert", big, dir.file("out.obj") }, "memory" },
        { "load for info", { "info", big }, "memory" },
        { "subdivision", { "subdivide", "--levels", "5", small, dir.file("out.obj") },
            "was not subdivided" },
        { "classification", { "classify", "--mode", "dijkstra", medium }, "was not classified" },
        { "classification by Floyd", { "classify", "--mode", "floyd", medium },
            "was not classified" },
    };
    for (const Case& c : cases) {
        dir.write("out.obj", old);
        const Ended end = runLimited(dir, c.args, { limit, 0 });
        EXPECT_EQ(end.status, 1) << c.what << ": " << end.err;
        EXPECT_EQ(lines(end.err), 1) << c.what << ": " << end.err;
        EXPECT_EQ(end.err.rfind("facetra-cli: ", 0), 0u) << c.what << ": " << end.err;
        EXPECT_NE(end.err.find(c.says), std::string::npos) << c.what << ": " << end.err;
        EXPECT_EQ(readFile(dir.file("out.obj")), old) << c.what;
        EXPECT_EQ(testutil::namesIn(dir.path()).size(), 8u) << c.what << ": a file left behind";
    }
    // The same with room enough, so that the limit is what refused them.
    const Ended fits = runLimited(
        dir, { "subdivide", "--levels", "1", small, dir.file("out.obj") }, { limit, 0 });
    EXPECT_EQ(fits.status, 0) << fits.err;
}

TEST(ResourceLimits, ASaveThatHitsTheFileSizeLimitKeepsTheOldFile)
{
    const TempDir dir;
    const std::string mesh = dir.write("mesh.obj", gridObj(40));
    const std::string old = "old bytes\n";
    for (const char* name : { "out.obj", "out.ply", "out.off.gz" }) {
        const std::string out = dir.write(name, old);
        const Ended end = runLimited(dir, { "convert", mesh, out }, { 0, 2048 });
        EXPECT_EQ(end.status, 1) << name << ": " << end.err;
        EXPECT_NE(end.err.find("file too large"), std::string::npos) << name << ": " << end.err;
        EXPECT_EQ(readFile(out), old) << name;
    }
    // Nothing half written beside them.
    EXPECT_EQ(testutil::namesIn(dir.path()).size(), 6u);
}

} // namespace
