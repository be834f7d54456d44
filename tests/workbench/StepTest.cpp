// Step lines and scripts: reading, writing back, refusing damaged lines, and
// numbers that replay with the same bits.
#include "WorkbenchTestUtil.h"

#include <bit>
#include <charconv>
#include <limits>

using wbtest::step;

namespace {

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

TEST(Step, ReadsWordsQuotesAndParametersAndRefusesDamagedLinesSayingWhy)
{
    const Step s = step(" \tsave  \"my file.ply\" C:\\out\\a.ply heightmap=\"my map.png\" "
                        "expr=a=b empty= q=\"a\\\"b\\\\\" ");
    EXPECT_EQ(s.verb, "save");
    EXPECT_EQ(s.args, (std::vector<std::string> { "my file.ply", "C:\\out\\a.ply" }));
    EXPECT_EQ(s.params,
        (decltype(s.params) { { "heightmap", "my map.png" }, { "expr", "a=b" }, { "empty", "" },
            { "q", "a\"b\\" } }));
    // An argument after a parameter is still an argument; a quoted '=' is no key.
    EXPECT_EQ(
        step("save k=1 out.ply \"a=b\"").args, (std::vector<std::string> { "out.ply", "a=b" }));
    EXPECT_EQ(step(" \t "), Step());

    // Damaged lines are refused, saying why, and leave no step.
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
        Step parsed = step("old a k=v");
        std::string problem;
        EXPECT_FALSE(parseStepLine(line, parsed, problem)) << line;
        EXPECT_NE(problem.find(reason), std::string::npos) << line << ": " << problem;
        EXPECT_EQ(parsed, Step()) << line;
    }
}

TEST(Step, TextAndNumbersReadBackAsTheSameStepQuotedOnlyWhereNeededAndWithTheSameBits)
{
    Step s { "subdivide", {}, {} };
    s.set("levels", "1");
    s.set("weight", "0");
    s.set("levels", "2"); // replaced in place, order kept
    EXPECT_EQ(s.text(), "subdivide levels=2 weight=0");

    const std::vector<std::string> awkward
        = { "", " ", "a b", "\t", "\"", "a\"b", "\\", "x\\\"y\\\\", "#", "a#b", "=", "a=b",
              "==", "caf\xC3\xA9 \xE2\x82\xAC", "\xFF\x80", "\"\"" };
    s = { "save", awkward, {} };
    for (size_t i = 0; i < awkward.size(); ++i)
        s.set(std::to_string(i), awkward[i]);
    EXPECT_EQ(step(s.text()), s) << s.text();
    // A script must not take a written '#' for a comment.
    std::vector<ScriptLine> lines;
    std::string problem;
    ASSERT_TRUE(parseScript(s.text() + "\r\n", lines, problem)) << problem;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].step, s);

    // Numbers are short and read back with the same bits.
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

TEST(Step, ScriptSkipsCommentsAndBlankLinesAndNamesTheDamagedLine)
{
    std::vector<ScriptLine> steps;
    std::string problem;
    ASSERT_TRUE(parseScript("# header\r\n\r\nload \"a #1.obj\" # the mesh\r\n  \t\n"
                            "filter radius=3#no blank needed\nsave \"b.ply\"#x",
        steps, problem))
        << problem;
    const std::pair<int, Step> want[] = { { 3, step("load \"a #1.obj\"") },
        { 5, step("filter radius=3") }, { 6, step("save b.ply") } };
    ASSERT_EQ(steps.size(), std::size(want));
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_TRUE(steps[i].line == want[i].first && steps[i].step == want[i].second) << i;

    EXPECT_FALSE(parseScript("a\n\nb k=1 k=2 # twice\nc \"open", steps, problem));
    EXPECT_EQ(problem.rfind("line 3: ", 0), 0u) << problem;
    EXPECT_TRUE(steps.empty());
}
