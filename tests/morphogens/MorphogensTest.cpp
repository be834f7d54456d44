// Morphogen colouring and setting files (coloured OBJ files read back:
// MeshWrite.MorphogensAndColoursSurviveObjExactly). The command's
// refusals: Cli.UsageErrors...; the colours it writes are the engine's:
// test_morphogen_colours_from_a_file_and_from_values_match_facetra_cli (Python),
// CliRunReal.ScriptsWriteWhatTheOneStepVerbsWrite and WindowBatchTest::colours.
#include "TestUtil.h"

#include "morphogens/engine/MorphogenColouring.h"
#include "morphogens/engine/MorphogenSettings.h"

#include <gtest/gtest.h>

#include <limits>

using testutil::captureStdout;

TEST(MorphogenColouring, MixesOnlyActiveFiniteValuesListedEverywhere)
{
    const MorphogenRgb red { 255, 0, 0 }, blue { 0, 0, 255 }, grey { 128, 128, 128 }, black;
    const float g = 128.0f / 255.0f, nan = std::numeric_limits<float>::quiet_NaN();
    // What is tried, the values of the first vertex (the others have none), the
    // setting and the colour wanted.
    const std::tuple<const char*, std::vector<float>, MorphogenSetting, Vector> cases[] = {
        { "every toggle off", { 0.5f, 1.0f }, { 0, grey, { red, blue }, { 0, 2 } },
            { g, g, g, 1 } },
        { "additive", { 0.5f }, { 0, grey, { red }, { 1 } }, { g + 0.25f, g, g, 1.5f } },
        { "subtractive", { 0.5f }, { 1, grey, { red }, { 1 } },
            { g - 0.25f, g - 0.5f, g - 0.5f, 0.5f } },
        { "zero, negative, NaN, infinite do not dim", { 0.5f, 0, -1, nan, 1 / 0.0f },
            { 0, grey, { red, blue, blue, blue, blue }, { 1, 1, 1, 1, 1 } },
            { g + 0.25f, g, g, 1.5f } },
        // More values than names, or names than values: only entries all lists have.
        { "lists shorter than the values", { 1, 1 }, { 0, black, { red, blue }, { 1 } },
            { 0.5f, 0, 0, 2 } },
        { "values shorter than the lists", { 1 }, { 0, black, { red, blue }, { 1, 1 } },
            { 0.5f, 0, 0, 2 } },
    };
    for (const auto& [what, values, setting, want] : cases) {
        Mesh mesh;
        testutil::makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
        mesh.allocateMorphogens(2, int(values.size())); // the third vertex has no row
        mesh.morphogenValues[0] = values;
        colourByMorphogens(mesh, setting);
        EXPECT_TRUE(mesh.vertexColoursSet);
        const Vector& got = mesh.vertexColours[0];
        for (float Vector::*m : { &Vector::x, &Vector::y, &Vector::z, &Vector::w })
            EXPECT_FLOAT_EQ(got.*m, want.*m) << what;
        for (int i : { 1, 2 }) // zero values, then no values at all: the base
            EXPECT_FLOAT_EQ(mesh.vertexColours[std::size_t(i)].x, setting.base.red / 255.0f);
    }
}

// The page right after a mesh with two morphogens was loaded.
const MorphogenSetting kFresh { 0, {}, { {}, {} }, { 0, 0 } };
const MorphogenSetting kExample { 0, { 128, 128, 128 }, { { 255, 0, 0 }, { 0, 0, 255 } },
    { 1, 0 } };
const std::string kExampleText
    = "SIZE 2\nBASECOL 128 128 128\nMIXMODE 0\nMORPHO\t255 0 0 1\nMORPHO\t0 0 255 0\n";

TEST(MorphogenSettings, LenientTokensClampedChannelsReadBackAndRefusedFilesChangeNothing)
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

    // Refused files change nothing; extra lines are ignored.
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
