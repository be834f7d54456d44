// libFuzzer entry for step scripts: the bytes parsed as a script; every step
// parsed must give itself back from its own line, and its parameters read the
// same way from it.

#include "FuzzCommon.h"

#include "workbench/engine/Step.h"
#include "workbench/engine/StepParameters.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto require = [](bool ok) {
        if (!ok)
            std::abort();
    };
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptLine> script;
    std::string problem;
    if (!parseScript(text, script, problem)) {
        require(script.empty() && problem.rfind("line ", 0) == 0);
        return 0;
    }
    int previous = 0;
    for (const ScriptLine& line : script) {
        require(line.line > previous && !line.step.verb.empty());
        previous = line.line;
        const std::string written = line.step.text();
        Step again;
        std::string why;
        require(parseStepLine(written, again, why) && again == line.step);
        steps::Parameters p, q;
        const bool read = steps::read(line.step, p, why);
        std::string whyAgain;
        require(steps::read(again, q, whyAgain) == read && whyAgain == why);
        if (read)
            require(p.verb >= 0 && p.verb < steps::VerbCount);
    }
    return 0;
}
