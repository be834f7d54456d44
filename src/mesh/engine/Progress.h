#pragma once

#include <string_view>

// How a long-running engine loop tells its caller how far it has come. The GUI
// shows a progress bar, the command-line tool a console line; the default does
// nothing.
class Progress {
public:
    virtual ~Progress() = default;
    // fraction in 0 .. 1 of the named stage.
    virtual void report(std::string_view stage, double fraction)
    {
        (void)stage;
        (void)fraction;
    }
};
