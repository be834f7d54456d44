#pragma once

// facetra-cli started as a user or a script starts it: its own process, its
// console going to files.

#include "TestUtil.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace clitest {

// Starts facetra-cli with standard output and error going to files, in the
// folder cwd (empty: this one); inChild runs in the new process before the
// program starts (to set limits or signals).
inline pid_t start(std::vector<std::string> args, const std::string& out, const std::string& err,
    const std::string& cwd = {}, void (*inChild)() = nullptr)
{
    std::vector<char*> argv { const_cast<char*>(FACETRA_CLI) };
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0)
            ::_exit(126);
        if (inChild)
            inChild();
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// The exit status, or -1 for a process a signal ended.
inline int exitStatus(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct CliRun
{
    int status = -1;
    std::string out;
    std::string err;
};

// A whole run: its status, standard output and error.
inline CliRun runCli(const std::vector<std::string>& args, const std::string& cwd = {})
{
    static const testutil::TempDir dir;
    const int status = exitStatus(start(args, dir.file("out"), dir.file("err"), cwd));
    return { status, testutil::readFile(dir.file("out")), testutil::readFile(dir.file("err")) };
}

// A run ended as Ctrl+C ends it, once its standard output holds waitFor (with
// waitFor empty: half a second after the start).
inline CliRun interrupted(const std::vector<std::string>& args, const std::string& waitFor)
{
    static const testutil::TempDir dir;
    const std::string out = dir.file("out"), err = dir.file("err");
    std::filesystem::remove(out); // the last run's lines are not this one's
    const pid_t pid = start(args, out, err);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::this_thread::sleep_for(std::chrono::milliseconds(waitFor.empty() ? 500 : 5));
    while (testutil::readFile(out).find(waitFor) == std::string::npos
        && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // Into the wait the line announces.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(pid, SIGINT);
    const auto asked = std::chrono::steady_clock::now();
    const int status = exitStatus(pid);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(20));
    return { status, testutil::readFile(out), testutil::readFile(err) };
}

// The one JSON object "info --json" prints for path, which must read.
inline nlohmann::json info(const std::string& path)
{
    const CliRun run = runCli({ "info", "--json", path });
    EXPECT_EQ(run.status, 0) << path << run.err;
    return nlohmann::json::parse(run.out, nullptr, false);
}

} // namespace clitest
