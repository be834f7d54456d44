// facetra-cli: every workbench tool without the window, on the same engine code.
#include "CliCommon.h"
#include "Commands.h"

#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

void printHelp()
{
    std::cout << "usage: facetra-cli COMMAND [OPTIONS] ARGS...\n\ncommands:\n";
    for (const Command& c : commands())
        std::cout << "  " << c.usage << "\n      " << c.summary << "\n";
    std::cout << "\nEvery command that changes a mesh runs as one step of the workbench the "
                 "window uses,\nso both write the same bytes; run replays a script of such "
                 "steps.\nfacetra-cli COMMAND --help shows one command's usage.\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        printHelp();
        return argc < 2 ? 1 : 0;
    }
    const std::string name = argv[1];
    for (const Command& c : commands()) {
        if (name != c.name)
            continue;
        Args args(argv + 2, argv + argc);
        for (const std::string& a : args) {
            if (a == "--help" || a == "-h") {
                std::cout << "usage: facetra-cli " << c.usage << "\n  " << c.summary << "\n";
                return 0;
            }
        }
        // The verbs that can run for long show a bar and stop on Ctrl+C.
        static const char* const longVerbs[] = { "convert", "subdivide", "simplify",
            "morphogens", "terrain", "filter", "segment", "classify" };
        for (const char* verb : longVerbs) {
            if (name == verb)
                return runCancellable([&] { return c.run(args); });
        }
        return c.run(args);
    }
    std::cerr << "facetra-cli: unknown command '" << name << "' (see facetra-cli --help)"
              << std::endl;
    return 1;
}
