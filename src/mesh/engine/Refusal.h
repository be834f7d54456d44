#pragma once

#include <string>

// Why an engine declined its work. The engine prints the reason as its console
// line and keeps it for the thread that ran it, so that a caller (the workbench,
// which may run the engine on a worker) can show the user the same words.
[[gnu::format(printf, 1, 2)]] void sayRefusal(const char* format, ...);
// The last reason kept on this thread, which is then forgotten; empty when none.
std::string takeRefusal();
