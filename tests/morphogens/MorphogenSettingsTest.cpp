#include "TestUtil.h"

#include "morphogens/engine/MorphogenSettings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using testutil::captureStdout;
using testutil::readFile;

// The page right after a mesh with n morphogens was loaded.
MorphogenSetting fresh(std::size_t n)
{
    MorphogenSetting s;
    s.colours.assign(n, MorphogenRgb());
    s.toggles.assign(n, 0);
    return s;
}

const MorphogenSetting kExample { 0, { 128, 128, 128 }, { { 255, 0, 0 }, { 0, 0, 255 } },
    { 1, 0 } };
const char* const kExampleText = "SIZE 2\n"
                                 "BASECOL 128 128 128\n"
                                 "MIXMODE 0\n"
                                 "MORPHO\t255 0 0 1\n"
                                 "MORPHO\t0 0 255 0\n";

} // namespace

TEST(MorphogenSettings, SavesFiveLinesAndReadsThemBack)
{
    testutil::TempDir dir;
    const std::string path = dir.file("two.mor");
    ASSERT_TRUE(writeMorphogenSetting(path, kExample));
    EXPECT_EQ(readFile(path), kExampleText);

    MorphogenSetting setting = fresh(2);
    std::string out = captureStdout([&] { EXPECT_TRUE(readMorphogenSetting(path, setting)); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(setting, kExample);

    // Subtractive, no morphogens at all.
    const MorphogenSetting none { 1, { 1, 2, 3 }, {}, {} };
    ASSERT_TRUE(writeMorphogenSetting(path, none));
    EXPECT_EQ(readFile(path), "SIZE 0\nBASECOL 1 2 3\nMIXMODE 1\n");
    MorphogenSetting back = fresh(0);
    ASSERT_TRUE(readMorphogenSetting(path, back));
    EXPECT_EQ(back, none);
}

TEST(MorphogenSettings, TokensAsTheTokenizerSeesThem)
{
    testutil::TempDir dir;
    struct Case
    {
        const char* what;
        const char* text;
        MorphogenSetting want;
    };
    const Case cases[] = {
        { "blanks, tabs, line ends and comments are alike",
            "# saved by hand\nSIZE\t2 BASECOL 1\n2 3 MIXMODE 1 MORPHO 4 5 6 1\nMORPHO 7 8 9 0 # "
            "end\n",
            { 1, { 1, 2, 3 }, { { 4, 5, 6 }, { 7, 8, 9 } }, { 1, 0 } } },
        { "numbers are truncated, channels held to 0..255",
            "SIZE 2\nBASECOL 12.9 -4 300\nMIXMODE 1.7\nMORPHO\t1e9 0.5 254.99 1\n",
            { 1, { 12, 0, 255 }, { { 255, 0, 254 }, { 0, 0, 0 } }, { 1, 0 } } },
        { "a missing number keeps the value before it", "BASECOL 9 x 9\nMIXMODE\n",
            { 0, { 9, 0, 9 }, { {}, {} }, { 0, 0 } } },
        { "no SIZE line: the records apply to the current lists", "MORPHO 1 2 3 1\n",
            { 0, {}, { { 1, 2, 3 }, {} }, { 1, 0 } } },
    };
    for (const Case& c : cases) {
        const std::string path = dir.write("case.mor", c.text);
        MorphogenSetting setting = fresh(2);
        captureStdout([&] { EXPECT_TRUE(readMorphogenSetting(path, setting)) << c.what; });
        EXPECT_EQ(setting, c.want) << c.what;
    }
}

TEST(MorphogenSettings, RefusedFilesChangeNothing)
{
    testutil::TempDir dir;
    MorphogenSetting setting = kExample;
    std::string problem;

    // A base colour and mode before a wrong SIZE must not stick either.
    const std::string three = dir.write("three.mor", "BASECOL 1 1 1\nMIXMODE 1\nSIZE 3\n");
    std::string out
        = captureStdout([&] { EXPECT_FALSE(readMorphogenSetting(three, setting, &problem)); });
    EXPECT_EQ(out,
        "ERROR: .MOR File: SIZE 3 does not match the 2 morphogens of the mesh; "
        "nothing loaded\n");
    EXPECT_EQ(problem + "\n", out);
    EXPECT_EQ(setting, kExample);

    const std::string bare = dir.write("bare.mor", "SIZE x\n");
    out = captureStdout([&] { EXPECT_FALSE(readMorphogenSetting(bare, setting)); });
    EXPECT_NE(out.find("SIZE ?"), std::string::npos);
    EXPECT_EQ(setting, kExample);

    out = captureStdout(
        [&] { EXPECT_FALSE(readMorphogenSetting(dir.file("absent.mor"), setting, &problem)); });
    EXPECT_EQ(out, "ERROR!!!\n");
    EXPECT_FALSE(problem.empty());
    out = captureStdout([&] { EXPECT_FALSE(readMorphogenSetting(dir.path().string(), setting)); });
    EXPECT_EQ(out, "ERROR!!!\n");
    EXPECT_EQ(setting, kExample);
}

TEST(MorphogenSettings, MorphoLinesBeyondSizeAreIgnoredWithALine)
{
    testutil::TempDir dir;
    const std::string path
        = dir.write("extra.mor", std::string(kExampleText) + "MORPHO\t9 9 9 1\nMORPHO\t8 8 8 1\n");
    MorphogenSetting setting = fresh(2);
    const std::string out
        = captureStdout([&] { EXPECT_TRUE(readMorphogenSetting(path, setting)); });
    EXPECT_EQ(out, "WARNING: .MOR File: 2 MORPHO line(s) beyond the 2 morphogens ignored\n");
    EXPECT_EQ(setting, kExample);
}

TEST(MorphogenSettings, SaveNamesAndFailures)
{
    const std::pair<const char*, const char*> names[] = {
        { "abcde", "abcde.mor" },
        { "set.mor", "set.mor" },
        { "set.txt", "set.txt" },
        { "ab", "ab.mor" },
        { ".mor", ".mor" },
        { "dir.x/set", "dir.x/set.mor" },
    };
    for (const auto& [name, want] : names)
        EXPECT_EQ(morphogenFileName(name), want) << name;

    testutil::TempDir dir;
    const std::string missing = dir.file("no/such/folder/set.mor");
    std::string out
        = captureStdout([&] { EXPECT_FALSE(writeMorphogenSetting(missing, kExample)); });
    EXPECT_EQ(out, "ERROR: SAVING FILE .MOR File! QtMorphogenWidget::saveSlot(void)\n");

    // A failed replace leaves the old file whole.
    const std::string old = dir.write("old.mor", "SIZE 0\n");
    ::chmod(dir.path().c_str(), 0500);
    if (::geteuid() != 0) { // the superuser writes anyway
        captureStdout([&] { EXPECT_FALSE(writeMorphogenSetting(old, kExample)); });
        EXPECT_EQ(readFile(old), "SIZE 0\n");
    }
    ::chmod(dir.path().c_str(), 0700);
}
