#include "workbench/engine/Step.h"

#include <charconv>
#include <system_error>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// An empty word would vanish between blanks, and '=' would turn an argument
// into a parameter, so those are quoted too.
bool needsQuotes(std::string_view word, bool isArg)
{
    return word.empty()
        || word.find_first_of(isArg ? " \t\"#\\=" : " \t\"#\\") != std::string_view::npos;
}

void appendWord(std::string& out, std::string_view word, bool isArg)
{
    if (!needsQuotes(word, isArg)) {
        out += word;
        return;
    }
    out += '"';
    for (char c : word) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

// Reads the quoted text opening at line[pos]; pos ends past the closing quote.
bool readQuoted(std::string_view line, size_t& pos, std::string& out, std::string& problem)
{
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos == line.size())
                break;
            c = line[pos];
            if (c != '"' && c != '\\') {
                problem = std::string("unknown escape \\") + c;
                return false;
            }
        }
        out += c;
    }
    problem = "unterminated quote";
    return false;
}

bool fail(Step& step, std::string& problem, std::string reason)
{
    step = Step();
    problem = std::move(reason);
    return false;
}

// The one reader for single lines and scripts, so that a script's idea of
// "outside quotes" for comments is exactly the reader's own.
bool parseLine(std::string_view line, bool comments, Step& step, std::string& problem)
{
    constexpr size_t none = std::string_view::npos;
    const size_t n = line.size();
    const auto endsWord
        = [&](size_t i) { return i == n || isBlank(line[i]) || (comments && line[i] == '#'); };
    step = Step();
    size_t pos = 0;
    for (;;) {
        while (pos < n && isBlank(line[pos]))
            ++pos;
        if (endsWord(pos))
            return true;
        const size_t start = pos;
        size_t equals = none;
        for (; !endsWord(pos) && line[pos] != '"'; ++pos) {
            if (line[pos] == '=' && equals == none)
                equals = pos;
        }
        std::string quoted;
        const bool isQuoted = pos < n && line[pos] == '"';
        if (isQuoted) {
            // A quote opens a word or a value, nowhere else: 'a"b c"' is more
            // likely a typing slip than a word meant to hold a blank.
            if (pos != start && (equals == none || pos != equals + 1))
                return fail(step, problem,
                    "quote inside the word " + std::string(line.substr(start, pos - start + 1)));
            if (!readQuoted(line, pos, quoted, problem)) {
                step = Step();
                return false;
            }
            if (!endsWord(pos))
                return fail(step, problem,
                    "no blank after the closing quote in "
                        + std::string(line.substr(start, pos - start + 1)));
        }
        const std::string_view word = line.substr(start, pos - start);

        if (step.verb.empty()) {
            if (equals != none)
                return fail(step, problem, "the verb cannot contain '=': " + std::string(word));
            if (isQuoted)
                return fail(step, problem, "the verb cannot be quoted: " + std::string(word));
            step.verb = word;
        } else if (equals != none) {
            const std::string_view key = line.substr(start, equals - start);
            if (key.empty())
                return fail(step, problem, "parameter without a name: " + std::string(word));
            if (step.find(key))
                return fail(step, problem, "parameter " + std::string(key) + " given twice");
            step.params.emplace_back(key,
                isQuoted ? std::move(quoted)
                         : std::string(line.substr(equals + 1, pos - equals - 1)));
        } else {
            step.args.push_back(isQuoted ? std::move(quoted) : std::string(word));
        }
    }
}

template <typename T> std::string toText(T value)
{
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

} // namespace

const std::string* Step::find(std::string_view key) const
{
    for (const auto& [name, value] : params) {
        if (name == key)
            return &value;
    }
    return nullptr;
}

void Step::set(std::string_view key, std::string value)
{
    for (auto& [name, old] : params) {
        if (name == key) {
            old = std::move(value);
            return;
        }
    }
    params.emplace_back(key, std::move(value));
}

std::string Step::text() const
{
    std::string out = verb;
    for (const std::string& arg : args) {
        out += ' ';
        appendWord(out, arg, true);
    }
    for (const auto& [key, value] : params) {
        out += ' ';
        out += key;
        out += '=';
        appendWord(out, value, false);
    }
    return out;
}

bool parseStepLine(std::string_view line, Step& step, std::string& problem)
{
    return parseLine(line, false, step, problem);
}

bool parseScript(std::string_view text, std::vector<ScriptLine>& steps, std::string& problem)
{
    steps.clear();
    int number = 0;
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        begin = end + 1;
        ++number;
        Step step;
        std::string reason;
        if (!parseLine(line, true, step, reason)) {
            steps.clear();
            problem = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
        if (!step.verb.empty())
            steps.push_back({ number, std::move(step) });
    }
    return true;
}

std::string stepNumber(float value)
{
    return toText(value);
}

std::string stepNumber(double value)
{
    return toText(value);
}

std::string stepNumber(int value)
{
    return toText(value);
}
