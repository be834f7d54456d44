#pragma once

// facetra-cli started as a user or a script starts it: its own process, its
// console going to files.

#include "TestUtil.h"

#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace clitest {

// Starts facetra-cli with standard output and error going to files, in the
// folder cwd (empty: this one).
inline pid_t start(std::vector<std::string> args, const std::string& out, const std::string& err,
    const std::string& cwd = {})
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

// The one JSON object "info --json" prints for path, which must read.
inline nlohmann::json info(const std::string& path)
{
    const CliRun run = runCli({ "info", "--json", path });
    EXPECT_EQ(run.status, 0) << path << run.err;
    return nlohmann::json::parse(run.out, nullptr, false);
}

} // namespace clitest
