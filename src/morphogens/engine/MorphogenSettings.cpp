#include "morphogens/engine/MorphogenSettings.h"

#include "mesh/engine/Tokenizer.h"
#include "mesh/engine/WriteObj.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

// The next token as an int (truncated, held to int's range) when it is a
// number; otherwise value stays and the token is used up all the same.
bool nextInt(Tokenizer& tok, int& value)
{
    if (tok.next() != Tokenizer::TT_NUMBER)
        return false;
    const double v = tok.nval;
    if (std::isnan(v))
        return false;
    value = int(std::clamp(std::trunc(v), double(INT_MIN), double(INT_MAX)));
    return true;
}

void nextChannel(Tokenizer& tok, int& channel)
{
    if (nextInt(tok, channel))
        channel = std::clamp(channel, 0, 255);
}

void report(std::string* problem, const std::string& line)
{
    std::cout << line << std::endl;
    if (problem)
        *problem = line;
}

} // namespace

std::string morphogenSettingText(const MorphogenSetting& setting)
{
    const std::size_t n = setting.colours.size();
    std::string text = "SIZE " + std::to_string(n) + "\n";
    const auto rgb = [](const MorphogenRgb& c) {
        return std::to_string(c.red) + " " + std::to_string(c.green) + " " + std::to_string(c.blue);
    };
    text += "BASECOL " + rgb(setting.base) + "\n";
    text += "MIXMODE " + std::to_string(setting.mixMode) + "\n";
    for (std::size_t k = 0; k < n; ++k) {
        const int toggle = k < setting.toggles.size() ? setting.toggles[k] : 0;
        text += "MORPHO\t" + rgb(setting.colours[k]) + " " + std::to_string(toggle) + "\n";
    }
    return text;
}

std::string morphogenFileName(const std::string& name)
{
    if (name.size() < 4 || name[name.size() - 4] != '.')
        return name + ".mor";
    return name;
}

bool writeMorphogenSetting(const std::string& path, const MorphogenSetting& setting)
{
    if (writeFileReplacing(path, morphogenSettingText(setting)))
        return true;
    std::printf("ERROR: SAVING FILE .MOR File! QtMorphogenWidget::saveSlot(void)\n");
    std::fflush(stdout);
    return false;
}

bool readMorphogenSetting(const std::string& path, MorphogenSetting& setting, std::string* problem)
{
    std::error_code error;
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path, error)) {
        std::cout << "ERROR!!!" << std::endl;
        if (problem)
            *problem = "cannot open " + path;
        return false;
    }
    Tokenizer tok(in);
    MorphogenSetting read = setting;
    std::size_t k = 0;
    long long beyond = 0;
    while (tok.next() != Tokenizer::TT_EOF) {
        if (tok.ttype != Tokenizer::TT_WORD)
            continue;
        if (tok.sval == "SIZE") {
            int n = -1;
            const bool given = nextInt(tok, n);
            const std::size_t have = read.colours.size();
            if (!given || n < 0 || std::size_t(n) != have) {
                report(problem,
                    "ERROR: .MOR File: SIZE " + (given ? std::to_string(n) : std::string("?"))
                        + " does not match the " + std::to_string(have)
                        + " morphogens of the mesh; nothing loaded");
                return false;
            }
            read.colours.assign(have, MorphogenRgb());
            read.toggles.assign(have, 0);
        } else if (tok.sval == "BASECOL") {
            nextChannel(tok, read.base.red);
            nextChannel(tok, read.base.green);
            nextChannel(tok, read.base.blue);
        } else if (tok.sval == "MIXMODE") {
            nextInt(tok, read.mixMode);
        } else if (tok.sval == "MORPHO") {
            MorphogenRgb scratchColour;
            int scratchToggle = 0;
            const bool kept = k < read.colours.size() && k < read.toggles.size();
            MorphogenRgb& colour = kept ? read.colours[k] : scratchColour;
            int& toggle = kept ? read.toggles[k] : scratchToggle;
            nextChannel(tok, colour.red);
            nextChannel(tok, colour.green);
            nextChannel(tok, colour.blue);
            nextInt(tok, toggle);
            beyond += kept ? 0 : 1;
            ++k;
        }
    }
    if (beyond > 0)
        std::cout << "WARNING: .MOR File: " << beyond << " MORPHO line(s) beyond the "
                  << read.colours.size() << " morphogens ignored" << std::endl;
    setting = std::move(read);
    return true;
}
