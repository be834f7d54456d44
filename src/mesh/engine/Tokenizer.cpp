#include "mesh/engine/Tokenizer.h"

#include <charconv>
#include <iterator>

Tokenizer::Classes::Classes()
{
    for (int c = 0; c < 256; ++c) {
        std::uint8_t k = 0;
        if (c <= 32)
            k = Whitespace;
        else if ((c >= '0' && c <= '9') || c == '-')
            k = Numeric;
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 128)
            k = Alphabetic;
        else if (c == '"' || c == '\'')
            k = Quote;
        table[c] = k;
    }
}

const Tokenizer::Classes& Tokenizer::classes()
{
    static const Classes instance;
    return instance;
}

Tokenizer::Tokenizer(std::istream& input)
    : owned_(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>())
    , text_(owned_)
{
}

Tokenizer::Tokenizer(std::string_view text) : text_(text) { }

double parseNumber(std::string_view text)
{
    // Fast path for the common plain decimals: with at most 15 significant
    // digits and a power of ten below 10^22 both are exact doubles, so one
    // division rounds correctly, exactly as a full conversion would.
    static constexpr double powers[] = { 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };
    std::size_t i = 0;
    const std::size_t n = text.size();
    const bool negative = n > 0 && text[0] == '-';
    if (negative)
        i = 1;
    std::uint64_t mantissa = 0;
    int digits = 0, fraction = 0;
    bool any = false;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        mantissa = mantissa * 10 + std::uint64_t(text[i++] - '0');
        digits += mantissa != 0;
        any = true;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            mantissa = mantissa * 10 + std::uint64_t(text[i++] - '0');
            digits += mantissa != 0;
            ++fraction;
            any = true;
        }
    }
    const bool exponent = i < n && (text[i] == 'e' || text[i] == 'E');
    if (any && !exponent && digits <= 15 && fraction <= 22) {
        const double v = double(mantissa) / powers[fraction];
        return negative ? -v : v;
    }

    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // atof saturates to infinity (or underflows to zero); keep that contract.
        bool tiny = false;
        for (std::size_t k = 0; k < text.size(); ++k) {
            if (text[k] == 'e' || text[k] == 'E') {
                tiny = k + 1 < text.size() && text[k + 1] == '-';
                break;
            }
        }
        const double big = tiny ? 0.0 : __builtin_huge_val();
        return negative ? -big : big;
    }
    return result.ec == std::errc() ? value : 0.0;
}

std::size_t numberTokenLength(std::string_view text)
{
    const std::size_t n = text.size();
    std::size_t p = 1;
    while (p < n) {
        const char c = text[p];
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            ++p;
        else
            break;
    }
    // An exponent continues the number: e or E, then a digit or a sign and a digit.
    if (p < n && (text[p] == 'e' || text[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < n && (text[q] == '-' || text[q] == '+'))
            ++q;
        if (q < n && text[q] >= '0' && text[q] <= '9') {
            p = q;
            while (p < n && text[p] >= '0' && text[p] <= '9')
                ++p;
        }
    }
    return p;
}

int Tokenizer::readNumber(std::size_t start)
{
    const std::size_t length = numberTokenLength(text_.substr(start));
    numberText = text_.substr(start, length);
    if (convertNumbers_)
        nval = parseNumber(numberText);
    pos_ = start + length;
    return ttype = TT_NUMBER;
}

int Tokenizer::next()
{
    const std::size_t n = text_.size();
    const auto& table = classes().table;
    for (;;) {
        while (pos_ < n) {
            const char c = text_[pos_];
            if (c == '\n' && eolSignificant_)
                break;
            if (!(table[static_cast<unsigned char>(c)] & Whitespace))
                break;
            ++pos_;
        }
        if (pos_ >= n)
            return ttype = TT_EOF;
        const char c = text_[pos_];
        const auto uc = static_cast<unsigned char>(c);
        if (c == '\n') {
            ++pos_;
            return ttype = TT_EOL;
        }
        if (c == '#') {
            while (pos_ < n && text_[pos_] != '\n' && text_[pos_] != '\r')
                ++pos_;
            continue;
        }
        if (table[uc] & Numeric) {
            if (c == '-') {
                const bool nextNumeric = pos_ + 1 < n
                    && (table[static_cast<unsigned char>(text_[pos_ + 1])] & Numeric)
                    && text_[pos_ + 1] != '-';
                if (!nextNumeric) {
                    ++pos_;
                    return ttype = '-';
                }
            }
            return readNumber(pos_);
        }
        if (table[uc] & Alphabetic) {
            const std::size_t start = pos_++;
            while (pos_ < n && (table[static_cast<unsigned char>(text_[pos_])] & Alphabetic))
                ++pos_;
            sval = text_.substr(start, pos_ - start);
            return ttype = TT_WORD;
        }
        if (table[uc] & Quote) {
            const std::size_t start = ++pos_;
            while (pos_ < n && text_[pos_] != c && text_[pos_] != '\n' && text_[pos_] != '\r')
                ++pos_;
            sval = text_.substr(start, pos_ - start);
            if (pos_ < n && !(text_[pos_] == '\n' && eolSignificant_))
                ++pos_;
            return ttype = TT_STRING;
        }
        ++pos_;
        return ttype = uc;
    }
}

void Tokenizer::skipLine()
{
    while (pos_ < text_.size() && text_[pos_] != '\n')
        ++pos_;
}
