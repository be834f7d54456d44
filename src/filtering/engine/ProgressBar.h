#pragma once

// A bar of asterisks rewritten in place on one console line (standard output),
// for the filters' long loops.
class ProgressBar
{
public:
    float width = 10.0f;
    int filled = 0;
    int step = 0;
    int next = 0;

    // Step i of total: i == 0 starts a new bar; the bar grows by one cell each
    // time i reaches the next mark, about width marks over the whole run. Does
    // nothing for a total of 0.
    void update(int i, int total);
};
