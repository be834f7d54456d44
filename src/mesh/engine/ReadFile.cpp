#include "mesh/engine/ReadFile.h"

#include "mesh/engine/Gzip.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Progress.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <new>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string openReason(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "no such file";
    case EACCES:
    case EPERM:
        return "permission denied";
    default:
        return std::string("cannot be opened: ") + std::strerror(error);
    }
}

bool refusedType(mode_t mode)
{
    return !S_ISREG(mode) && !S_ISFIFO(mode);
}

// Closes the descriptor however the read ends, a stop included.
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A regular file whose size is known: plain reads into room made for all of
// it, a stop heard every few megabytes. The file may still grow or shrink
// meanwhile: what is there when the end is reached is what is read.
bool readKnownSize(
    int fd, std::size_t size, LargeText& bytes, std::string& reason, Progress* progress)
{
    constexpr std::size_t slice = std::size_t(8) << 20;
    bytes.reserve(size + 1);
    char chunk[1 << 16];
    std::size_t nextReport = 0;
    for (;;) {
        if (bytes.size() >= nextReport) {
            reportProgress(progress, "Reading", std::min(1.0, double(bytes.size()) / double(size)));
            nextReport = bytes.size() + slice;
        }
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            reason = std::string("could not be read: ") + std::strerror(errno);
            return false;
        }
        if (n == 0)
            return true;
        bytes.append(chunk, std::size_t(n));
    }
}

// A descriptor opened without blocking whose size is not known: read what is
// there, then wait for more at most 50 ms at a time, hearing a stop between
// waits. A FIFO whose writer has not come yet reports nothing, so the wait goes
// on until one comes and closes it again.
bool readUnknownSize(int fd, LargeText& bytes, std::string& reason, Progress* progress)
{
    char chunk[1 << 16];
    for (;;) {
        reportProgress(progress, "Reading", 0.0);
        pollfd p { fd, POLLIN, 0 };
        const int ready = ::poll(&p, 1, 50);
        if (ready < 0 && errno != EINTR) {
            reason = std::string("could not be read: ") + std::strerror(errno);
            return false;
        }
        if (ready <= 0)
            continue;
        // Drain what is there before waiting again.
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0) {
                bytes.append(chunk, std::size_t(n));
                if (bytes.size() % (std::size_t(1) << 24) < sizeof chunk)
                    reportProgress(progress, "Reading", 0.0);
                continue;
            }
            if (n == 0)
                return true;
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            reason = std::string("could not be read: ") + std::strerror(errno);
            return false;
        }
    }
}

} // namespace

bool readFileBytes(
    const std::string& path, LargeText& bytes, std::string& reason, Progress* progress)
{
    bytes.clear();
    // A device is not even opened: opening one can wait, or do something.
    struct stat before = {};
    if (::stat(path.c_str(), &before) != 0) {
        reason = openReason(errno);
        return false;
    }
    if (refusedType(before.st_mode)) {
        reason = "is not a regular file";
        return false;
    }
    // Without O_NONBLOCK, opening a FIFO would wait for a writer, unstoppable.
    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0) {
        reason = openReason(errno);
        return false;
    }
    struct stat status = {};
    if (::fstat(file.fd, &status) != 0 || refusedType(status.st_mode)) {
        reason = "is not a regular file";
        return false;
    }
    bool ok = false;
    try {
        if (S_ISREG(status.st_mode) && status.st_size > 0) {
            // Blocking reads again: a regular file never makes them wait long.
            ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
            ok = readKnownSize(file.fd, std::size_t(status.st_size), bytes, reason, progress);
        } else {
            ok = readUnknownSize(file.fd, bytes, reason, progress);
        }
    } catch (const std::bad_alloc&) {
        reason = "is too large to read into memory";
        ok = false;
    }
    if (!ok)
        LargeText().swap(bytes);
    else
        reportProgress(progress, "Reading", 1.0);
    return ok;
}

bool readWholeFile(const std::string& path, LargeText& text, std::string* problem,
    Progress* progress, const std::function<bool(std::string_view compressed)>& inflate)
{
    std::string reason;
    if (!readFileBytes(path, text, reason, progress))
        return readFailed(path, reason, problem);
    if (!hasGzipSuffix(path))
        return true;
    LargeText compressed;
    compressed.swap(text);
    if ((inflate && inflate(compressed)) || gunzip(compressed, text, reason, progress))
        return true;
    return readFailed(path, reason, problem);
}

bool readFailed(const std::string& path, const std::string& reason, std::string* problem)
{
    const std::string line = path + ": " + reason;
    if (problem) {
        *problem = line;
    } else {
        std::fflush(stdout);
        std::cerr << line << std::endl;
    }
    return false;
}

void sayLoss(ObjReadReport* report, const std::string& line)
{
    std::printf("%s\n", line.c_str());
    if (report)
        report->losses.push_back(line);
}
