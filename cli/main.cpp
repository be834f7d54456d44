// facetra-cli: every workbench tool without the window, on the same engine code.
#include "CliCommon.h"
#include "Commands.h"
#include "FacetraVersion.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <system_error>

namespace {

void printHelp(std::ostream& out)
{
    out << "usage: facetra-cli COMMAND [OPTIONS] ARGS...\n\ncommands:\n";
    for (const Command& c : commands())
        out << "  " << c.usage << "\n      " << c.summary << "\n";
    out << "\nEvery command that changes a mesh runs as one step of the workbench the "
           "window uses,\nso both write the same bytes; run replays a script of such "
           "steps.\nfacetra-cli COMMAND --help shows one command's usage; facetra-cli "
           "--version the\nversion.\n";
}

} // namespace

int main(int argc, char** argv)
{
    // No command is a mistake: the usage then goes where errors go.
    if (argc < 2) {
        printHelp(std::cerr);
        return 1;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        printHelp(std::cout);
        return 0;
    }
    if (!std::strcmp(argv[1], "--version")) {
        std::cout << "facetra-cli " FACETRA_VERSION "\n";
        return 0;
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
        // Every verb shows a bar and stops on Ctrl+C, its reads included (a
        // FIFO can keep a read waiting for ever); run watches the signals for
        // its own processes.
        // Memory or threads running out where no step caught it still gives
        // one line and status 1, never an abort.
        try {
            if (name == "run")
                return c.run(args);
            return runCancellable([&] { return c.run(args); });
        } catch (const std::bad_alloc&) {
            return fail("not enough memory for " + name);
        } catch (const std::system_error& e) {
            return fail(name + ": " + e.what());
        }
    }
    std::cerr << "facetra-cli: unknown command '" << name << "' (see facetra-cli --help)"
              << std::endl;
    return 1;
}
