#include "CliCommon.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/ReadObj.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

// A bar on standard error: "[#####---------------]  25% Subdividing", redrawn
// at most ten times a second over itself and wiped at the end.
class TerminalProgress : public Progress
{
public:
    TerminalProgress()
        : terminal(::isatty(STDERR_FILENO) == 1)
        , lastDraw(std::chrono::steady_clock::now())
    { }
    ~TerminalProgress() override { erase(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void erase()
    {
        if (drawnLength == 0)
            return;
        std::string blank(drawnLength + 2, ' ');
        blank.front() = '\r';
        blank.back() = '\r';
        put(blank);
        drawnLength = 0;
    }

protected:
    void show(std::string_view stage, double fraction) override
    {
        if (!terminal)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastDraw < std::chrono::milliseconds(100))
            return;
        lastDraw = now;
        const double f = fraction < 0.0 ? 0.0 : fraction > 1.0 ? 1.0 : fraction;
        constexpr int cells = 20;
        const int filled = int(f * cells);
        std::string line = "\r[" + std::string(std::size_t(filled), '#')
            + std::string(std::size_t(cells - filled), '-') + "] ";
        char percent[8];
        std::snprintf(percent, sizeof percent, "%3d%% ", int(f * 100.0));
        line += percent;
        line.append(stage.substr(0, 40));
        // Pad over what a longer earlier line left on the terminal.
        const std::size_t length = line.size() - 1;
        if (length < drawnLength)
            line += std::string(drawnLength - length, ' ');
        drawnLength = std::max(drawnLength, length);
        put(line);
    }

private:
    bool terminal;
    std::chrono::steady_clock::time_point lastDraw;
    std::size_t drawnLength = 0;

    // Straight to the descriptor: standard output's buffer is not involved.
    static void put(const std::string& text)
    {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
            if (n <= 0)
                return;
            done += std::size_t(n);
        }
    }
};

Progress idleProgress;
std::atomic<Progress*> runningProgress { nullptr };
static_assert(std::atomic<Progress*>::is_always_lock_free);

// Async-signal-safe: one lock-free load, one lock-free store. The handler was
// installed to run once; the next signal takes the default action.
extern "C" void stopOnSignal(int)
{
    if (Progress* progress = runningProgress.load())
        progress->requestStop();
}

struct SignalGuard
{
    struct sigaction oldInt
    {
    };
    struct sigaction oldTerm
    {
    };
    SignalGuard()
    {
        struct sigaction action
        {
        };
        action.sa_handler = stopOnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        ::sigaction(SIGINT, &action, &oldInt);
        ::sigaction(SIGTERM, &action, &oldTerm);
    }
    ~SignalGuard()
    {
        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGTERM, &oldTerm, nullptr);
    }
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;
};

} // namespace

Progress& verbProgress()
{
    Progress* progress = runningProgress.load();
    return progress ? *progress : idleProgress;
}

int runCancellable(const std::function<int()>& verb)
{
    TerminalProgress progress;
    runningProgress.store(&progress);
    int status = 0;
    bool cancelled = false;
    {
        SignalGuard signals;
        try {
            status = verb();
        } catch (const RunCancelled&) {
            cancelled = true;
        }
    }
    runningProgress.store(nullptr);
    progress.erase();
    if (!cancelled)
        return status;
    std::fflush(stdout);
    std::cerr << "Cancelled" << std::endl;
    return 130;
}

int fail(const std::string& message)
{
    std::fflush(stdout);
    std::cerr << "facetra-cli: " << message << std::endl;
    return 1;
}

bool loadForTool(Mesh& mesh, const std::string& path, double* loadMs, ObjReadReport* report,
    std::string* problem)
{
    std::string why;
    if (meshFileKind(path) == MeshFileKind::None)
        why = path + ": no reader for this kind of file (readable: " + readableMeshPatterns() + ")";
    const auto start = std::chrono::steady_clock::now();
    if (why.empty() && openMeshFile(mesh, path, report, &why, &verbProgress())) {
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - start;
        if (loadMs)
            *loadMs = took.count();
        return true;
    }
    fail(why);
    if (problem)
        *problem = why;
    return false;
}

bool parseInt(const std::string& text, int& value)
{
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool parseFloat(const std::string& text, float& value)
{
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

std::FILE* separateJsonOutput()
{
    std::fflush(stdout);
    const int jsonFd = ::dup(1);
    if (jsonFd < 0 || ::dup2(2, 1) < 0) {
        fail("cannot separate the JSON output from the console lines");
        return nullptr;
    }
    std::FILE* out = ::fdopen(jsonFd, "w");
    if (!out)
        fail("cannot open the JSON output");
    return out;
}
