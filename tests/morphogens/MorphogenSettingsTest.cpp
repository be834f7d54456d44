#include "TestUtil.h"

#include "morphogens/engine/MorphogenSettings.h"

#include <gtest/gtest.h>

namespace {

using testutil::captureStdout;

// The page right after a mesh with two morphogens was loaded.
const MorphogenSetting kFresh { 0, {}, { {}, {} }, { 0, 0 } };
const MorphogenSetting kExample { 0, { 128, 128, 128 }, { { 255, 0, 0 }, { 0, 0, 255 } },
    { 1, 0 } };
const std::string kExampleText
    = "SIZE 2\nBASECOL 128 128 128\nMIXMODE 0\nMORPHO\t255 0 0 1\nMORPHO\t0 0 255 0\n";

} // namespace

TEST(MorphogenSettings, LenientTokensAndClampedChannelsReadBack)
{
    testutil::TempDir dir;
    ASSERT_TRUE(writeMorphogenSetting(dir.file("two.mor"), kExample));
    EXPECT_EQ(testutil::readFile(dir.file("two.mor")), kExampleText);
    EXPECT_EQ(morphogenFileName("set.txt"), "set.txt");

    const std::pair<std::string, MorphogenSetting> cases[] = {
        { kExampleText, kExample },
        // Blanks and line ends alike, comments; truncation, channels held to 0..255;
        // a missing number keeps the value before it.
        { "# by hand\nSIZE\t2 BASECOL 12.9 x 300 MIXMODE 1.7 MORPHO 4 5 6 1 # end",
            { 1, { 12, 0, 255 }, { { 4, 5, 6 }, {} }, { 1, 0 } } },
    };
    for (const auto& [text, want] : cases) {
        MorphogenSetting setting = kFresh;
        EXPECT_TRUE(readMorphogenSetting(dir.write("in.mor", text), setting));
        EXPECT_EQ(setting, want) << text;
    }
}

TEST(MorphogenSettings, RefusedFilesChangeNothingAndExtraLinesAreIgnored)
{
    testutil::TempDir dir;
    MorphogenSetting setting = kExample;
    std::string problem;
    const std::string three = dir.write("three.mor", "BASECOL 1 1 1\nMIXMODE 1\nSIZE 3\n");
    captureStdout([&] {
        EXPECT_FALSE(readMorphogenSetting(three, setting, &problem));
        EXPECT_FALSE(readMorphogenSetting(dir.file("absent"), setting));
        EXPECT_FALSE(writeMorphogenSetting(dir.file("no/dir.mor"), kExample));
    });
    EXPECT_NE(problem.find("SIZE 3"), std::string::npos) << problem;
    EXPECT_EQ(setting, kExample);

    setting = kFresh;
    const std::string extra = dir.write("extra.mor", kExampleText + "MORPHO\t9 9 9 1\n");
    captureStdout([&] { EXPECT_TRUE(readMorphogenSetting(extra, setting)); });
    EXPECT_EQ(setting, kExample);
}
