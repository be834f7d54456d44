#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One change to the workbench, as a line of a step script:
//
//     VERB [ARG ...] [key=value ...]
//
// e.g. "subdivide levels=1 weight=0", "filter algorithm=median radius=3",
// "save {name}-smooth.ply". Words are separated by blanks; a word holding
// blanks, '"', '#' or '\' is written in double quotes with '"' and '\' escaped
// by a backslash. A word with '=' outside quotes is a parameter, any other
// word after the verb a positional argument (the save steps' file names).
struct Step
{
    std::string verb;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> params;

    // The value of key, or null when the step does not name it.
    const std::string* find(std::string_view key) const;
    // Sets key to value, replacing an earlier value in place or appending.
    void set(std::string_view key, std::string value);
    // The script line: verb, arguments, then parameters in their order,
    // quoted where needed, so that parseStepLine() gives this step back.
    std::string text() const;

    bool operator==(const Step&) const = default;
};

// Parses one line (no comment, no line break) into step. A blank line gives
// an empty verb. False, with the reason in problem, for an unterminated quote,
// an unknown escape, a key that is empty or a parameter given twice.
bool parseStepLine(std::string_view line, Step& step, std::string& problem);

struct ScriptLine
{
    // 1-based line number in the script.
    int line = 0;
    Step step;
};

// Parses a whole script: one step a line, '#' to the end of a line (outside
// quotes) a comment, blank lines skipped. False, with "line N: reason" in
// problem, at the first damaged line; steps then holds nothing.
bool parseScript(std::string_view text, std::vector<ScriptLine>& steps, std::string& problem);

// Numbers as steps write them: the shortest text that reads back as the same
// value (std::to_chars), so a replayed step computes with the same bits.
std::string stepNumber(float value);
std::string stepNumber(double value);
std::string stepNumber(int value);
