// Step lines and scripts: reading, writing back, refusing damaged lines, and
// numbers that replay with the same bits.
#include "workbench/engine/Step.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace {

Step parsed(std::string_view line)
{
    Step step;
    std::string problem;
    EXPECT_TRUE(parseStepLine(line, step, problem)) << line << ": " << problem;
    return step;
}

template <typename T> void expectSameBitsBack(T value)
{
    const std::string text = stepNumber(value);
    T back {};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_TRUE(result.ec == std::errc() && result.ptr == text.data() + text.size()) << text;
    using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
    EXPECT_EQ(std::bit_cast<Bits>(back), std::bit_cast<Bits>(value)) << text;
}

} // namespace

TEST(Step, ReadsWordsQuotesAndParameters)
{
    const Step step = parsed(" \tsave  \"my file.ply\" C:\\out\\a.ply heightmap=\"my map.png\" "
                             "expr=a=b empty= q=\"a\\\"b\\\\\" ");
    EXPECT_EQ(step.verb, "save");
    EXPECT_EQ(step.args, (std::vector<std::string> { "my file.ply", "C:\\out\\a.ply" }));
    ASSERT_EQ(step.params.size(), 4u);
    EXPECT_EQ(*step.find("heightmap"), "my map.png");
    EXPECT_EQ(*step.find("expr"), "a=b");
    EXPECT_EQ(*step.find("empty"), "");
    EXPECT_EQ(*step.find("q"), "a\"b\\");
    EXPECT_EQ(step.find("missing"), nullptr);
    // An argument after a parameter is still an argument; a quoted '=' is no key.
    EXPECT_EQ(
        parsed("save k=1 out.ply \"a=b\"").args, (std::vector<std::string> { "out.ply", "a=b" }));
    EXPECT_EQ(parsed(" \t "), Step());
}

TEST(Step, RefusesDamagedLinesSayingWhy)
{
    const std::pair<const char*, const char*> cases[] = {
        { "save \"a.ply", "unterminated" },
        { "save \"a\\n.ply\"", "unknown escape" },
        { "filter =3", "without a name" },
        { "filter radius=3 radius=4", "twice" },
        { "\"save\" a.ply", "verb" },
        { "radius=3", "verb" },
        { "save a\"b c\"", "quote" },
        { "save \"a\"b", "closing quote" },
    };
    for (const auto& [line, reason] : cases) {
        Step step = parsed("old a k=v");
        std::string problem;
        EXPECT_FALSE(parseStepLine(line, step, problem)) << line;
        EXPECT_NE(problem.find(reason), std::string::npos) << line << ": " << problem;
        EXPECT_EQ(step, Step()) << line;
    }
}

TEST(Step, TextReadsBackAsTheSameStepAndQuotesOnlyWhereNeeded)
{
    Step step { "subdivide", {}, {} };
    step.set("levels", "1");
    step.set("weight", "0");
    step.set("levels", "2"); // replaced in place, order kept
    EXPECT_EQ(step.text(), "subdivide levels=2 weight=0");

    const std::vector<std::string> awkward
        = { "", " ", "a b", "\t", "\"", "a\"b", "\\", "x\\\"y\\\\", "#", "a#b", "=", "a=b",
              "==", "caf\xC3\xA9 \xE2\x82\xAC", "\xFF\x80", "\"\"" };
    step = { "save", awkward, {} };
    for (size_t i = 0; i < awkward.size(); ++i)
        step.set(std::to_string(i), awkward[i]);
    EXPECT_EQ(parsed(step.text()), step) << step.text();
    // A script must not take a written '#' for a comment.
    std::vector<ScriptLine> lines;
    std::string problem;
    ASSERT_TRUE(parseScript(step.text() + "\r\n", lines, problem)) << problem;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].step, step);
}

TEST(Step, ScriptSkipsCommentsAndBlankLinesAndNamesTheDamagedLine)
{
    std::vector<ScriptLine> steps;
    std::string problem;
    ASSERT_TRUE(parseScript("# header\r\n\r\nload \"a #1.obj\" # the mesh\r\n  \t\n"
                            "filter radius=3#no blank needed\nsave \"b.ply\"#x",
        steps, problem))
        << problem;
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[0].step, parsed("load \"a #1.obj\""));
    EXPECT_EQ(steps[1].line, 5);
    EXPECT_EQ(steps[1].step, parsed("filter radius=3"));
    EXPECT_EQ(steps[2].line, 6);
    EXPECT_EQ(steps[2].step.args, std::vector<std::string> { "b.ply" });

    EXPECT_FALSE(parseScript("a\n\nb k=1 k=2 # twice\nc \"open", steps, problem));
    EXPECT_EQ(problem.rfind("line 3: ", 0), 0u) << problem;
    EXPECT_TRUE(steps.empty());
}

TEST(Step, NumbersAreShortAndReadBackWithTheSameBits)
{
    EXPECT_EQ(stepNumber(0.1f), "0.1");
    EXPECT_EQ(stepNumber(std::numeric_limits<int>::min()), "-2147483648");
    for (float value : { 0.1f, 1.0f / 3.0f, 1e-30f, -0.0f, std::numeric_limits<float>::denorm_min(),
             std::numeric_limits<float>::min() / 3, std::numeric_limits<float>::max() })
        expectSameBitsBack(value);
    for (double value : { 0.1, 1.0 / 3.0, 1e-30, -0.0, std::numeric_limits<double>::denorm_min(),
             std::numeric_limits<double>::min() / 3, std::numeric_limits<double>::max(),
             double(0.1f) })
        expectSameBitsBack(value);
}
