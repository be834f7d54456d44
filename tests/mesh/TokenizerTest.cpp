#include "mesh/engine/Tokenizer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <variant>
#include <vector>

namespace {

// A token as text: "n:<value>", "w:<word>", "s:<string>", or the character.
std::vector<std::string> tokens(const std::string& text)
{
    std::istringstream in(text);
    Tokenizer tok(in);
    std::vector<std::string> out;
    for (int t = tok.next(); t != Tokenizer::TT_EOF; t = tok.next()) {
        if (t == Tokenizer::TT_NUMBER) {
            std::ostringstream s;
            s << "n:" << tok.nval;
            out.push_back(s.str());
        } else if (t == Tokenizer::TT_WORD) {
            out.push_back("w:" + std::string(tok.sval));
        } else if (t == Tokenizer::TT_STRING) {
            out.push_back("s:" + std::string(tok.sval));
        } else {
            out.push_back(std::string(1, char(t)));
        }
    }
    return out;
}

using Tokens = std::vector<std::string>;

TEST(Tokenizer, CharacterClasses)
{
    for (int c = 0; c <= 32; ++c)
        EXPECT_EQ(Tokenizer::charClass(static_cast<unsigned char>(c)), Tokenizer::Whitespace) << c;
    for (char c : std::string("0123456789-"))
        EXPECT_EQ(Tokenizer::charClass(static_cast<unsigned char>(c)), Tokenizer::Numeric) << c;
    for (char c : std::string("azAZ_q"))
        EXPECT_EQ(Tokenizer::charClass(static_cast<unsigned char>(c)), Tokenizer::Alphabetic) << c;
    for (int c = 128; c < 256; ++c)
        EXPECT_EQ(Tokenizer::charClass(static_cast<unsigned char>(c)), Tokenizer::Alphabetic) << c;
    EXPECT_EQ(Tokenizer::charClass('"'), Tokenizer::Quote);
    EXPECT_EQ(Tokenizer::charClass('\''), Tokenizer::Quote);
    for (char c : std::string("/.+#!~{}"))
        EXPECT_EQ(Tokenizer::charClass(static_cast<unsigned char>(c)), 0) << c;
}

TEST(Tokenizer, NumbersWordsAndOrdinaryCharacters)
{
    EXPECT_EQ(tokens("v 1 2.5 -3"), (Tokens { "w:v", "n:1", "n:2.5", "n:-3" }));
    EXPECT_EQ(tokens("ab12"), (Tokens { "w:ab", "n:12" }));
    EXPECT_EQ(tokens("f 1/2/3 4//6"),
        (Tokens { "w:f", "n:1", "/", "n:2", "/", "n:3", "n:4", "/", "/", "n:6" }));
    // '.' and '+' are ordinary characters when they start a token.
    EXPECT_EQ(tokens(".5 +2"), (Tokens { ".", "n:5", "+", "n:2" }));
    // '-' is a number only before a numeric character other than '-'.
    EXPECT_EQ(tokens("- x"), (Tokens { "-", "w:x" }));
    EXPECT_EQ(tokens("--5"), (Tokens { "-", "n:-5" }));
    EXPECT_EQ(tokens("-"), (Tokens { "-" }));
    // Digits, '-' and '.' continue a number; the text converts as atof would.
    EXPECT_EQ(tokens("1-2 3..4 7."), (Tokens { "n:1", "n:3", "n:7" }));
    EXPECT_EQ(tokens("snake_case\xC3\xA9x"), (Tokens { "w:snake_case\xC3\xA9x" }));
    EXPECT_EQ(tokens("a\tb\r\nc\x01"), (Tokens { "w:a", "w:b", "w:c" }));
    EXPECT_EQ(tokens(""), Tokens {});
    EXPECT_EQ(tokens("   \n\n"), Tokens {});
}

TEST(Tokenizer, Exponents)
{
    EXPECT_EQ(tokens("1.5e-3"), (Tokens { "n:0.0015" }));
    EXPECT_EQ(tokens("2E+2 -4e1 7e3"), (Tokens { "n:200", "n:-40", "n:7000" }));
    // Without a digit after it, the e is a word again.
    EXPECT_EQ(tokens("1e"), (Tokens { "n:1", "w:e" }));
    EXPECT_EQ(tokens("1ex"), (Tokens { "n:1", "w:ex" }));
    EXPECT_EQ(tokens("1e-x"), (Tokens { "n:1", "w:e", "-", "w:x" }));
    EXPECT_EQ(tokens("1e+"), (Tokens { "n:1", "w:e", "+" }));
    // The exponent takes digits only.
    EXPECT_EQ(tokens("1e5.5"), (Tokens { "n:100000", ".", "n:5" }));
    // Out of range saturates as atof does.
    EXPECT_EQ(tokens("1e999 -1e999 1e-999"), (Tokens { "n:inf", "n:-inf", "n:0" }));
}

TEST(Tokenizer, QuotesAndComments)
{
    EXPECT_EQ(tokens("'a b' \"c 'd\" x"), (Tokens { "s:a b", "s:c 'd", "w:x" }));
    // An unterminated quote ends at the line end, which it consumes.
    EXPECT_EQ(tokens("'open\nnext"), (Tokens { "s:open", "w:next" }));
    EXPECT_EQ(tokens("'open"), (Tokens { "s:open" }));
    EXPECT_EQ(tokens("a # v 1 2 3\nb"), (Tokens { "w:a", "w:b" }));
    EXPECT_EQ(tokens("#only\r1"), (Tokens { "n:1" }));
    EXPECT_EQ(tokens("# no line end"), Tokens {});
}

TEST(Tokenizer, StateFields)
{
    std::istringstream in("word 12 /");
    Tokenizer tok(in);
    EXPECT_EQ(tok.next(), Tokenizer::TT_WORD);
    EXPECT_EQ(tok.ttype, Tokenizer::TT_WORD);
    EXPECT_EQ(tok.sval, "word");
    EXPECT_EQ(tok.next(), Tokenizer::TT_NUMBER);
    EXPECT_EQ(tok.nval, 12.0);
    EXPECT_EQ(tok.next(), '/');
    EXPECT_EQ(tok.next(), Tokenizer::TT_EOF);
    EXPECT_EQ(tok.next(), Tokenizer::TT_EOF);
}

TEST(Tokenizer, SignificantLineEnds)
{
    Tokenizer tok(std::string_view("a 1\n\nb 'q\nc"));
    tok.eolIsSignificant(true);
    std::vector<int> types;
    for (int t = tok.next(); t != Tokenizer::TT_EOF; t = tok.next())
        types.push_back(t);
    EXPECT_EQ(types,
        (std::vector<int> { Tokenizer::TT_WORD, Tokenizer::TT_NUMBER, '\n', '\n',
            Tokenizer::TT_WORD, Tokenizer::TT_STRING, '\n', Tokenizer::TT_WORD }));
}

TEST(ParseNumber, ActsAsAtof)
{
    EXPECT_EQ(parseNumber("12"), 12.0);
    EXPECT_EQ(parseNumber("-12"), -12.0);
    EXPECT_EQ(parseNumber("1.25"), 1.25);
    EXPECT_EQ(parseNumber("1.5e-3"), 0.0015);
    EXPECT_EQ(parseNumber("3-4"), 3.0);
    EXPECT_EQ(parseNumber("1.2.3"), 1.2);
    EXPECT_EQ(parseNumber("-"), 0.0);
    EXPECT_EQ(parseNumber("-."), 0.0);
    EXPECT_EQ(parseNumber(""), 0.0);
    EXPECT_EQ(parseNumber("12345678901234567890"), 12345678901234567890.0);
}

} // namespace
