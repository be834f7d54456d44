#include "mesh/engine/Tokenizer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

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
