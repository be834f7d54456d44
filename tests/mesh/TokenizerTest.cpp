#include "mesh/engine/Tokenizer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// The tokens as one line of text: "n:<value>", "w:<word>", "s:<string>" or the
// character itself, blank-separated.
std::string tokens(const std::string& text, bool lineEnds = false)
{
    Tokenizer tok { std::string_view(text) };
    tok.eolIsSignificant(lineEnds);
    std::ostringstream out;
    for (int t = tok.next(); t != Tokenizer::TT_EOF; t = tok.next()) {
        if (t == Tokenizer::TT_NUMBER)
            out << "n:" << tok.nval << ' ';
        else if (t == Tokenizer::TT_WORD)
            out << "w:" << tok.sval << ' ';
        else if (t == Tokenizer::TT_STRING)
            out << "s:" << tok.sval << ' ';
        else
            out << (t == '\n' ? std::string("EOL") : std::string(1, char(t))) << ' ';
    }
    return out.str();
}

// Every reader splits its lines with this tokenizer: a slip in a number, sign,
// exponent, quote or comment rule moves vertices or loses faces silently.
TEST(Tokenizer, SplitsNumbersWordsQuotesAndCommentsAsTheReadersExpect)
{
    const struct
    {
        const char* text;
        const char* want;
    } cases[] = {
        { "v 1 2.5 -3", "w:v n:1 n:2.5 n:-3 " },
        { "ab12", "w:ab n:12 " },
        { "f 1/2/3 4//6", "w:f n:1 / n:2 / n:3 n:4 / / n:6 " },
        // '.' starts a number only before a digit; '+' is always ordinary.
        { ".5 -.25 +2", "n:0.5 n:-0.25 + n:2 " },
        { ". .x -.x", ". . w:x - . w:x " },
        // '-' is a number only before a numeric character other than '-'.
        { "- x --5 -", "- w:x - n:-5 - " },
        // Digits, '-' and '.' continue a number; the text converts as atof would.
        { "1-2 3..4 7.", "n:1 n:3 n:7 " },
        { "snake_case\xC3\xA9x a\tb\r\nc\x01", "w:snake_case\xC3\xA9x w:a w:b w:c " },
        { "   \n\n", "" },
        { "1.5e-3 2E+2 -4e1", "n:0.0015 n:200 n:-40 " },
        // Without a digit after it, the e is a word again; the exponent takes digits only.
        { "1e 1ex", "n:1 w:e n:1 w:ex " },
        { "1e-x 1e+", "n:1 w:e - w:x n:1 w:e + " },
        { "1e5.5", "n:100000 n:0.5 " },
        { "1e999 -1e999 1e-999", "n:inf n:-inf n:0 " },
        { "'a b' \"c 'd\" x", "s:a b s:c 'd w:x " },
        // An unterminated quote ends at the line end, which it consumes.
        { "'open\nnext", "s:open w:next " },
        { "a # v 1 2 3\nb", "w:a w:b " },
        { "#only\r1", "n:1 " },
        { "# no line end", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(tokens(c.text), c.want) << c.text;
    EXPECT_EQ(tokens("a 1\n\nb 'q\nc", true), "w:a n:1 EOL EOL w:b s:q EOL w:c ");
}

TEST(ParseNumber, StopsWhereAtofWould)
{
    const std::pair<const char*, double> cases[]
        = { { "-12", -12.0 }, { "1.5e-3", 0.0015 }, { "3-4", 3.0 }, { "1.2.3", 1.2 }, { "-.", 0.0 },
              { "", 0.0 }, { "12345678901234567890", 12345678901234567890.0 } };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(parseNumber(text), want) << text;
}

} // namespace
