#include "filtering/engine/ProgressBar.h"

#include <cstdio>
#include <string>

void ProgressBar::update(int i, int total)
{
    if (total == 0)
        return;
    if (i == 0) {
        filled = 0;
        next = 0;
        // Rounded half up, as the bar has always counted its marks.
        step = int(float(total) / width + 0.5f); // NOLINT(bugprone-incorrect-roundings)
    }
    if (i != next)
        return;
    ++filled;
    // More marks than cells (a short run rounds the step down) keep the bar
    // growing past its width rather than printing a negative count of blanks.
    const int blanks = int(width - float(filled));
    std::string bar = "[";
    bar.append(std::size_t(filled - 1), '*');
    if (blanks > 0)
        bar.append(std::size_t(blanks), ' ');
    bar += ']';
    std::printf("\r\rProgress = %s", bar.c_str());
    std::fflush(stdout);
    next += step;
}
