// The small building blocks every reader and tool stands on: vectors, the edit
// history, large arrays and the tokenizer.
#include "mesh/engine/EditHistory.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Tokenizer.h"
#include "mesh/engine/Vector.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

namespace {

// The corner order decides the side a normal points to, normalising divides w
// too, and w never separates two positions (one map key).
TEST(Vector, NormalSideWOfNormaliseAndPositionsAsOneKey)
{
    Vector rqp(0, 0, 0, 0), pqr(0, 0, 0, 0), unit(3, 0, 4, 1);
    // Counter-clockwise P, Q, R seen from +z: triangleNormal(R, Q, P) points at +z.
    rqp.triangleNormal(Vector(0, 1, 0), Vector(1, 0, 0), Vector(0, 0, 0));
    pqr.triangleNormal(Vector(0, 0, 0), Vector(1, 0, 0), Vector(0, 7, 0));
    unit.normalise();
    EXPECT_TRUE(rqp == Vector(0, 0, 1) && pqr == Vector(0, 0, -1) && pqr.w == 0.0f);
    EXPECT_TRUE(unit == Vector(0.6f, 0, 0.8f) && unit.w == 0.2f);
    std::map<Vector, int> byPosition { { Vector(1, 2, 3, 0), 1 }, { Vector(1, 2, 3, 1), 2 },
        { Vector(1, 2, 3.0001f), 3 } };
    EXPECT_EQ(byPosition.size(), 2u);
}

// Undo and redo order, their names and the budget dropping the oldest steps
// are proved through the workbench (Rules.UndoAndRedoRestoreEveryState... and
// History.ABudgetDropsTheOldestStepsAndSaysSo). Here what it never reaches:
// redo steps dropped by a new one give back their bytes, and a step larger
// than the whole budget is not kept at all.
TEST(EditHistory, DroppedRedoStepsGiveBackTheirBytesAndAnOversizedStepIsNotKept)
{
    EditHistory history { 100 };
    const auto push = [&history](const char* name, std::uint64_t bytes) {
        return history.push(makeEditStep(name, bytes, [] {}));
    };
    EXPECT_EQ(push("a", 40) + push("b", 40), 0);
    EXPECT_TRUE(history.undo());
    push("c", 10);
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.bytesHeld(), 50u);
    EXPECT_EQ(push("d", 500), 3);
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.bytesHeld(), 0u);
}

// Blocks on both sides of the size mapped on its own, and growth from one
// kind into the other: what the array held stays, the fills give the usual
// vector results, and the memory is released the way it was had.
TEST(LargeArrays, GrowingAcrossTheMappedSizeKeepsTheContentsAndFillsTheRest)
{
    const std::size_t large = kLargeArrayBytes / sizeof(int);
    for (const std::size_t n : { std::size_t(10), large - 1, large, 3 * large + 7 }) {
        const std::size_t half = n / 2 + 1;
        LargeVector<int> v { 1, 2, 3, 4, 5 }, w { 7 };
        v.reserve(half);
        v.resize(half, 9);
        v.resize(n);
        assignLarge(w, n, -1);
        ASSERT_TRUE(v.size() == n && w.size() == n);
        EXPECT_TRUE(v[4] == 5 && v[half - 1] == 9 && v[half] == 0 && v[n - 1] == 0);
        EXPECT_TRUE(w.front() == -1 && w.back() == -1);
        resizeLarge(w, n + 1);
        EXPECT_TRUE(w.size() == n + 1 && w.back() == 0);
    }
}

// The tokens as one line: "n:<value>", "w:<word>", "s:<string>" or the character.
std::string tokens(const std::string& text, bool lineEnds = false)
{
    Tokenizer tok { std::string_view(text) };
    tok.eolIsSignificant(lineEnds);
    std::ostringstream out;
    for (int t = tok.next(); t != Tokenizer::TT_EOF; t = tok.next()) {
        if (t == Tokenizer::TT_NUMBER || t == Tokenizer::TT_WORD || t == Tokenizer::TT_STRING)
            out << (t == Tokenizer::TT_NUMBER ? "n:" : t == Tokenizer::TT_WORD ? "w:" : "s:");
        if (t == Tokenizer::TT_NUMBER)
            out << tok.nval << ' ';
        else if (t == Tokenizer::TT_WORD || t == Tokenizer::TT_STRING)
            out << tok.sval << ' ';
        else
            out << (t == '\n' ? std::string("EOL") : std::string(1, char(t))) << ' ';
    }
    return out.str();
}

// Every reader splits its lines with this tokenizer: a slip in a number, sign,
// exponent, quote or comment rule moves vertices or loses faces silently.
TEST(Tokenizer, SplitsNumbersWordsQuotesAndCommentsAsTheReadersExpect)
{
    const std::pair<const char*, const char*> cases[] = {
        // '.' starts a number only before a digit, '-' only before a numeric other than '-';
        // '+' is always ordinary.
        { ".5 -.25 +2 . .x", "n:0.5 n:-0.25 + n:2 . . w:x " },
        { "- x --5 -", "- w:x - n:-5 - " },
        // Digits, '-' and '.' continue a number; the text converts as atof would.
        { "1-2 3..4 7. ab12", "n:1 n:3 n:7 w:ab n:12 " },
        { "snake_case\xC3\xA9x a\tb\r\nc\x01", "w:snake_case\xC3\xA9x w:a w:b w:c " },
        // Without a digit after it, the e is a word again; the exponent takes digits only.
        { "1.5e-3 2E+2 1e 1ex 1e+", "n:0.0015 n:200 n:1 w:e n:1 w:ex n:1 w:e + " },
        { "1e5.5 1e999 -1e999 1e-999", "n:100000 n:0.5 n:inf n:-inf n:0 " },
        // An unterminated quote ends at the line end, which it consumes.
        { "'a b' \"c 'd\" 'open\nnext", "s:a b s:c 'd s:open w:next " },
        { "a # v 1 2 3\nb #only\r1 # no line end", "w:a w:b n:1 " },
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(tokens(text), want) << text;
    EXPECT_EQ(tokens("a 1\n\nb 'q\nc", true), "w:a n:1 EOL EOL w:b s:q EOL w:c ");
}

} // namespace
