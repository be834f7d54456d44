// facetra-cli run: one step script over many meshes, each in a process of its
// own, as many at once as asked.
#include "CliCommon.h"
#include "Commands.h"
#include "VerbBench.h"

#include "mesh/engine/Progress.h"
#include "workbench/engine/Batch.h"
#include "workbench/engine/Workbench.h"

#ifdef FACETRA_CLI_TERRAIN
#include "HeightMapModule.h"
#endif

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool readWhole(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void writeWhole(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += std::size_t(n);
    }
}

// The script and what it is run with, checked before anything runs.
struct Batch
{
    CheckedScript script;
    std::vector<std::string> meshes;
    std::string outDir;
    std::size_t jobs = 1;
};

// The script on one mesh, in this process. status gets what follows the
// mesh's name on its status line. A step that ended Cancelled throws
// RunCancelled.
int runMesh(const Batch& batch, const std::string& mesh, std::string& status)
{
    VerbBench bench(batch.script.options);
#ifdef FACETRA_CLI_TERRAIN
    bench.workbench.heightMapReader = readHeightMapThroughModule;
#endif
    const BatchEnd end
        = runScriptOn(bench.workbench, batch.script, mesh, batch.outDir, &verbProgress());
    if (!end.opened)
        fail(end.reason);
    status = end.status;
    return end.done ? 0 : 1;
}

// One mesh's process and the files its console and status go to.
struct Child
{
    pid_t pid = -1;
    std::size_t mesh = 0;
    std::string out, err, status;
};

// In the child: console into the files, the script run under the signals'
// watch (the parent blocked them; they are let in once the handlers stand),
// the status line's text left in its file. Never returns.
[[noreturn]] void runChild(const Batch& batch, const Child& child, const sigset_t& parentMask)
{
    const auto capture = [](const std::string& path, int fd) {
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        return file >= 0 && ::dup2(file, fd) >= 0 && ::close(file) == 0;
    };
    if (!capture(child.out, STDOUT_FILENO) || !capture(child.err, STDERR_FILENO))
        ::_exit(1);
    std::string status = "cancelled";
    const int code = runCancellable([&] {
        ::sigprocmask(SIG_SETMASK, &parentMask, nullptr);
        return runMesh(batch, batch.meshes[child.mesh], status);
    });
    std::fflush(stdout);
    std::fflush(stderr);
    std::ofstream(child.status, std::ios::binary) << status;
    ::_exit(code);
}

// The status line's text for a child that ended with wait status `how`.
std::string endOf(const Child& child, int how)
{
    std::string status;
    if (WIFEXITED(how) && readWhole(child.status, status) && !status.empty())
        return status;
    if (WIFSIGNALED(how))
        return "failed: ended by signal " + std::to_string(WTERMSIG(how));
    return "failed: ended with status " + std::to_string(WEXITSTATUS(how));
}

// Reads the options and the script and checks it all; on a problem says so
// and returns false, having run and written nothing.
bool prepare(const Args& args, Batch& batch)
{
    const auto refuse = [](const std::string& message) {
        fail(message);
        return false;
    };
    std::string scriptPath;
    bool jobsGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--jobs" || a == "--out-dir") {
            if (i + 1 >= args.size())
                return refuse(a + " needs a value");
            const std::string& value = args[++i];
            int jobs = 0;
            if (a == "--out-dir") {
                batch.outDir = value;
            } else if (!parseInt(value, jobs) || jobs < 1) {
                return refuse("--jobs takes a whole number of 1 or more, not '" + value + "'");
            } else {
                batch.jobs = std::size_t(jobs);
                jobsGiven = true;
            }
        } else if (scriptPath.empty()) {
            scriptPath = a;
        } else {
            batch.meshes.push_back(a);
        }
    }
    if (scriptPath.empty() || batch.meshes.empty())
        return refuse("run takes [--jobs N] [--out-dir DIR] SCRIPT MESH... (see facetra-cli run "
                      "--help)");
    if (!jobsGiven)
        batch.jobs = std::max(1u, std::thread::hardware_concurrency());

    std::string text, problem;
    if (!readWhole(scriptPath, text))
        return refuse("cannot read the script '" + scriptPath + "'");
    if (!checkScript(text, batch.script, problem)
        || !checkBatchOutputs(batch.script, batch.meshes, batch.outDir, problem))
        return refuse(problem);
    batch.jobs = std::min(batch.jobs, batch.meshes.size());
    return true;
}

} // namespace

int runRun(const Args& args)
{
    Batch batch;
    if (!prepare(args, batch))
        return 1;

    std::string scratch = (fs::temp_directory_path() / "facetra-run-XXXXXX").string();
    if (!::mkdtemp(scratch.data()))
        return fail("cannot make a temporary folder for the console lines");

    // The signals are taken by sigtimedwait() below, never by a handler, so
    // that one between a look at the children and the wait is not lost.
    sigset_t watched, parentMask;
    sigemptyset(&watched);
    sigaddset(&watched, SIGINT);
    sigaddset(&watched, SIGTERM);
    sigaddset(&watched, SIGCHLD);
    ::sigprocmask(SIG_BLOCK, &watched, &parentMask);

    std::vector<Child> alive;
    std::size_t next = 0;
    bool stopping = false;
    bool anyFailed = false;
    const auto finish = [&](const Child& child, int how) {
        std::string text;
        std::fflush(stdout);
        std::fflush(stderr);
        if (readWhole(child.out, text))
            writeWhole(STDOUT_FILENO, text);
        if (readWhole(child.err, text))
            writeWhole(STDERR_FILENO, text);
        const std::string end = endOf(child, how);
        writeWhole(STDOUT_FILENO, batch.meshes[child.mesh] + ": " + end + "\n");
        anyFailed |= !(WIFEXITED(how) && WEXITSTATUS(how) == 0);
        for (const std::string* file : { &child.out, &child.err, &child.status })
            ::unlink(file->c_str());
    };
    for (;;) {
        while (!stopping && alive.size() < batch.jobs && next < batch.meshes.size()) {
            Child child;
            child.mesh = next;
            const std::string base = scratch + "/" + std::to_string(next++);
            child.out = base + ".out";
            child.err = base + ".err";
            child.status = base + ".status";
            std::fflush(stdout);
            std::fflush(stderr);
            child.pid = ::fork();
            if (child.pid == 0)
                runChild(batch, child, parentMask);
            if (child.pid < 0) {
                writeWhole(STDOUT_FILENO,
                    batch.meshes[child.mesh] + ": failed: no process to run it in\n");
                anyFailed = true;
                continue;
            }
            alive.push_back(std::move(child));
        }
        if (alive.empty())
            break;
        bool reaped = false;
        for (auto it = alive.begin(); it != alive.end();) {
            int how = 0;
            if (::waitpid(it->pid, &how, WNOHANG) == it->pid) {
                finish(*it, how);
                it = alive.erase(it);
                reaped = true;
            } else {
                ++it;
            }
        }
        if (reaped)
            continue;
        // A child that ends raises SIGCHLD; the timeout is only a safety net.
        const timespec wait { 0, 200'000'000 };
        const int signal = ::sigtimedwait(&watched, nullptr, &wait);
        if (signal == SIGINT || signal == SIGTERM) {
            // Ctrl+C reaches the children itself from a terminal; a signal
            // sent to this process alone is passed on. A second one ends them.
            for (const Child& child : alive)
                ::kill(child.pid, stopping ? SIGKILL : SIGTERM);
            stopping = true;
        }
    }
    ::sigprocmask(SIG_SETMASK, &parentMask, nullptr);
    std::error_code error;
    fs::remove_all(scratch, error);
    if (stopping) {
        std::fflush(stdout);
        std::fputs("Cancelled\n", stderr);
        return 130;
    }
    return anyFailed ? 1 : 0;
}
