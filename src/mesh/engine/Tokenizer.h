#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

// A character-class stream tokenizer.
//
// Classes: codes 0..32 whitespace; '0'..'9' and '-' numeric; letters, '_' and
// codes 128..255 alphabetic; '"' and '\'' quote. Everything else (among them
// '/', '.', '+') is an ordinary character returned as its own code. '#' starts a
// comment that runs to the end of the line.
//
// A number is a numeric character followed by digits, '-' and '.', converted as
// by atof; an exponent (e or E, then a digit, or a sign and a digit) continues
// it. A '-' that is not followed by a digit is the ordinary character '-'.
// Words stop at digits: "ab12" is the word "ab" and the number 12.
class Tokenizer {
public:
    static constexpr int TT_EOF = -1;
    static constexpr int TT_NUMBER = -2;
    static constexpr int TT_WORD = -3;
    static constexpr int TT_STRING = -4;
    static constexpr int TT_EOL = '\n';

    enum CharClass : std::uint8_t { Whitespace = 1, Numeric = 2, Alphabetic = 4, Quote = 8 };

    // Reads the rest of the stream into the tokenizer's own buffer.
    explicit Tokenizer(std::istream& input);
    // Tokenizes text in place; text must outlive the tokenizer.
    explicit Tokenizer(std::string_view text);
    virtual ~Tokenizer() = default;

    // Reads the next token, sets ttype and nval or sval, and returns ttype.
    int next();

    // When on, a line feed ends a line and is returned as TT_EOL instead of
    // being skipped as whitespace.
    void eolIsSignificant(bool on) { eolSignificant_ = on; }
    // When off, number tokens are recognised but not converted: nval is left
    // alone and only numberText is set (for passes that merely count).
    void convertNumbers(bool on) { convertNumbers_ = on; }
    // Skips what is left of the current line, leaving the line feed to be read.
    void skipLine();
    bool atEnd() const { return pos_ >= text_.size(); }

    static std::uint8_t charClass(unsigned char c) { return classes().table[c]; }

    int ttype = TT_EOF;
    double nval = 0.0;
    // Text of the last word or quoted string; points into the tokenizer's input.
    std::string_view sval;
    // Text of the last number token.
    std::string_view numberText;

private:
    struct Classes {
        std::uint8_t table[256];
        Classes();
    };
    static const Classes& classes();
    int readNumber(std::size_t start);

    std::string owned_;
    std::string_view text_;
    std::size_t pos_ = 0;
    bool eolSignificant_ = false;
    bool convertNumbers_ = true;
};

// The length of the number token at the start of text, whose first character
// is numeric (a digit, or '-' followed by a digit).
std::size_t numberTokenLength(std::string_view text);

// Converts number text as by atof (the longest prefix that is a number; 0 when
// none), independent of the C locale.
double parseNumber(std::string_view text);
