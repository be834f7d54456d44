#include "mesh/engine/Refusal.h"

#include <cstdarg>
#include <cstdio>

namespace {
thread_local std::string lastRefusal;
}

void sayRefusal(const char* format, ...)
{
    char line[512];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::printf("%s\n", line);
    std::fflush(stdout);
    lastRefusal = line;
}

std::string takeRefusal()
{
    std::string reason;
    reason.swap(lastRefusal);
    return reason;
}
