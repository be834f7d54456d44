// facetra-cli under an address-space limit just above what it needs to start,
// and under a file-size limit: work that does not fit is refused or fails with
// one line on standard error and status 1, and no file is lost.

#include "../cli/CliProcess.h"
#include "WorkbenchTestUtil.h"

#include <csignal>
#include <sys/resource.h>

namespace {

using testutil::readFile;
using testutil::TempDir;

// Limits for the next runLimited, in bytes; 0: the limit as it is.
rlim_t addressSpace = 0, fileSize = 0;

// Runs facetra-cli with the limits set in its own process; SIGXFSZ ignored,
// so that a write past the file-size limit fails with EFBIG rather than
// ending the process.
clitest::CliRun runLimited(
    const TempDir& dir, const std::vector<std::string>& args, rlim_t space, rlim_t size)
{
    addressSpace = space, fileSize = size;
    const pid_t pid = clitest::start(args, dir.file("stdout"), dir.file("stderr"), {}, [] {
        ::signal(SIGXFSZ, SIG_IGN);
        for (const auto& [resource, limit] :
            { std::pair { RLIMIT_AS, addressSpace }, { RLIMIT_FSIZE, fileSize } }) {
            const rlimit both { limit, limit };
            if (limit)
                ::setrlimit(resource, &both);
        }
    });
    const int status = clitest::exitStatus(pid);
    return { status, readFile(dir.file("stdout")), readFile(dir.file("stderr")) };
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
    if (runLimited(dir, { "convert", tiny, dir.file("tiny-out.obj") }, high, 0).status != 0)
        return 0;
    while (high - low > (rlim_t(4) << 20)) {
        const rlim_t mid = low + (high - low) / 2;
        (runLimited(dir, { "convert", tiny, dir.file("tiny-out.obj") }, mid, 0).status == 0 ? high
                                                                                            : low)
            = mid;
    }
    return high;
}

TEST(ResourceLimits, WorkThatDoesNotFitIsOneLineAndStatusOneAndLeavesTheOutputAlone)
{
    const TempDir dir;
    const std::string tiny = wbtest::writeGrid(dir, "tiny.obj", 4);
    const rlim_t start = startingSpace(dir, tiny);
    ASSERT_GT(start, 0u) << "facetra-cli does not run under a limit of 4 GB";
    // Room for a small mesh's work, not for any of these.
    const rlim_t limit = start + (rlim_t(48) << 20);
    const std::string big = wbtest::writeGrid(dir, "big.obj", 1200);
    const std::string small = wbtest::writeGrid(dir, "small.obj", 60);
    // Read in a few megabytes; its distance table takes 770 MB.
    const std::string medium = wbtest::writeGrid(dir, "medium.obj", 100);
    const std::string old = "old bytes\n";
    // What runs out, the command and what its line says.
    const std::tuple<const char*, std::vector<std::string>, const char*> cases[] = {
        { "load", { "convert", big, dir.file("out.obj") }, "memory" },
        { "load for info", { "info", big }, "memory" },
        { "subdivision", { "subdivide", "--levels", "5", small, dir.file("out.obj") },
            "was not subdivided" },
        { "classification", { "classify", "--mode", "dijkstra", medium }, "was not classified" },
        { "classification by Floyd", { "classify", "--mode", "floyd", medium },
            "was not classified" },
    };
    for (const auto& [what, args, says] : cases) {
        SCOPED_TRACE(what);
        dir.write("out.obj", old);
        const clitest::CliRun end = runLimited(dir, args, limit, 0);
        EXPECT_EQ(end.status, 1) << end.err;
        EXPECT_EQ(lines(end.err), 1) << end.err;
        EXPECT_EQ(end.err.rfind("facetra-cli: ", 0), 0u) << end.err;
        EXPECT_NE(end.err.find(says), std::string::npos) << end.err;
        EXPECT_EQ(readFile(dir.file("out.obj")), old);
        EXPECT_EQ(testutil::namesIn(dir.path()).size(), 8u) << "a file left behind";
    }
    // The same with room enough, so that the limit is what refused them.
    const clitest::CliRun fits
        = runLimited(dir, { "subdivide", "--levels", "1", small, dir.file("out.obj") }, limit, 0);
    EXPECT_EQ(fits.status, 0) << fits.err;
}

TEST(ResourceLimits, ASaveThatHitsTheFileSizeLimitKeepsTheOldFile)
{
    const TempDir dir;
    const std::string mesh = wbtest::writeGrid(dir, "mesh.obj", 40);
    const std::string old = "old bytes\n";
    for (const char* name : { "out.obj", "out.ply", "out.off.gz" }) {
        const std::string out = dir.write(name, old);
        const clitest::CliRun end = runLimited(dir, { "convert", mesh, out }, 0, 2048);
        EXPECT_EQ(end.status, 1) << name << ": " << end.err;
        EXPECT_NE(end.err.find("file too large"), std::string::npos) << name << ": " << end.err;
        EXPECT_EQ(readFile(out), old) << name;
    }
    // Nothing half written beside them.
    EXPECT_EQ(testutil::namesIn(dir.path()).size(), 6u);
}

} // namespace
