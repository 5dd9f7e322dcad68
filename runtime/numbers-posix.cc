// Native builds have no variant library: this reads numbers the way Windows
// does in its default English locale ('.' decimal, ',' thousands, '$'
// currency), so that the logic behaves alike on both sides. Where the two are
// known to part (odd runs of several signs, separators after an exponent) the
// text is refused here as not a number.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "runtime/numbers.h"

namespace runtime {
namespace {

constexpr wchar_t kDecimalPoint = L'.';
constexpr wchar_t kThousandsSeparator = L',';
constexpr wchar_t kCurrencySymbol = L'$';

// The characters Unicode calls white space: Windows skips all of them around
// a number, the no-break and ideographic spaces included.
bool is_white(wchar_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int digit_value(wchar_t c, int base) {
    int value = 99;
    if (is_digit(c)) value = c - L'0';
    else if (c >= L'a' && c <= L'f') value = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') value = c - L'A' + 10;
    return value < base ? value : -1;
}

// Far beyond any 16-bit value, small enough that sums of them cannot overflow.
constexpr std::int64_t kSaturation = 1'000'000'000;

enum class Outcome { value, not_a_number, overflow };

struct Result {
    Outcome outcome = Outcome::not_a_number;
    std::int16_t value = 0;
};

Result not_a_number() { return {Outcome::not_a_number, 0}; }
Result overflow() { return {Outcome::overflow, 0}; }
Result value(std::int64_t v) {
    if (v < INT16_MIN || v > INT16_MAX) return overflow();
    return {Outcome::value, static_cast<std::int16_t>(v)};
}

class NumberReader {
public:
    explicit NumberReader(std::wstring_view text) : text_(text) {}

    Result read() {
        read_prefix();
        if (at(L'&') && !currency_) return read_bit_pattern();
        return read_decimal();
    }

private:
    bool at(wchar_t c) const { return pos_ < text_.size() && text_[pos_] == c; }
    bool at_digit() const { return pos_ < text_.size() && is_digit(text_[pos_]); }

    // White space, one sign, one currency symbol and one opening parenthesis,
    // in any order.
    void read_prefix() {
        for (;;) {
            if (pos_ < text_.size() && is_white(text_[pos_])) {
                ++pos_;
            } else if ((at(L'+') || at(L'-')) && !signed_) {
                signed_ = true;
                negative_ = at(L'-');
                ++pos_;
            } else if (at(kCurrencySymbol) && !currency_) {
                currency_ = true;
                ++pos_;
            } else if (at(L'(') && !parenthesis_open_) {
                parenthesis_open_ = true;
                ++pos_;
            } else {
                return;
            }
        }
    }

    // White space, a sign when none came before, the currency symbol when none
    // came before, and the closing parenthesis; then the text must be over.
    bool read_suffix() {
        bool closed = false;
        for (;;) {
            if (pos_ < text_.size() && is_white(text_[pos_])) {
                ++pos_;
            } else if ((at(L'+') || at(L'-')) && !signed_) {
                signed_ = true;
                negative_ = at(L'-');
                ++pos_;
            } else if (at(kCurrencySymbol) && !currency_) {
                currency_ = true;
                ++pos_;
            } else if (at(L')') && parenthesis_open_ && !closed) {
                closed = true;
                ++pos_;
            } else {
                break;
            }
        }
        return pos_ == text_.size() && closed == parenthesis_open_;
    }

    // &H and &O give the 16 bits of the integer directly (&HFFFF is -1); a
    // sign or parentheses around them change nothing, as on Windows.
    Result read_bit_pattern() {
        ++pos_;
        int base = 0;
        if (at(L'H') || at(L'h')) base = 16;
        if (at(L'O') || at(L'o')) base = 8;
        if (base == 0) return not_a_number();
        ++pos_;
        std::int64_t bits = 0;
        bool any = false;
        while (pos_ < text_.size() && digit_value(text_[pos_], base) >= 0) {
            bits = std::min(bits * base + digit_value(text_[pos_], base), kSaturation);
            any = true;
            ++pos_;
        }
        if (!any || !read_suffix()) return not_a_number();
        if (bits > 0xFFFF) return overflow();
        return {Outcome::value, static_cast<std::int16_t>(static_cast<std::uint16_t>(bits))};
    }

    Result read_decimal() {
        std::string digits;  // every digit of the integer and fractional parts
        std::int64_t fraction_digits = 0;
        bool point = false;
        for (; pos_ < text_.size(); ++pos_) {
            const wchar_t c = text_[pos_];
            if (is_digit(c)) {
                digits += static_cast<char>(c);
                if (point) ++fraction_digits;
            } else if (c == kThousandsSeparator && !digits.empty()) {
                // Windows lets separators stand anywhere after the first digit.
            } else if (c == kDecimalPoint && !point) {
                point = true;
            } else {
                break;
            }
        }
        if (digits.empty()) return not_a_number();

        std::int64_t exponent = 0;
        if (at(L'e') || at(L'E')) {
            ++pos_;
            bool exponent_negative = false;
            if (at(L'+') || at(L'-')) {
                exponent_negative = at(L'-');
                ++pos_;
            }
            if (!at_digit()) return not_a_number();
            for (; at_digit(); ++pos_) exponent = std::min(exponent * 10 + (text_[pos_] - L'0'), kSaturation);
            if (exponent_negative) exponent = -exponent;
        }
        if (!read_suffix()) return not_a_number();
        const bool negative = negative_ || parenthesis_open_;
        return value(round_to_integer(digits, exponent - fraction_digits, negative));
    }

    // digits × 10^scale, rounded to the nearest integer with a half going to the
    // even neighbour, exactly (no binary floating point in between). Magnitudes
    // beyond 16 bits come back as a value that fails the range check.
    static std::int64_t round_to_integer(std::string digits, std::int64_t scale, bool negative) {
        const auto first = digits.find_first_not_of('0');
        if (first == std::string::npos) return 0;
        digits.erase(0, first);
        while (digits.back() == '0') {
            digits.pop_back();
            ++scale;
        }
        const auto length = static_cast<std::int64_t>(digits.size());
        const std::int64_t integer_digits = length + scale;
        const std::int64_t too_big = negative ? -kSaturation : kSaturation;
        if (integer_digits > 6) return too_big;

        std::int64_t magnitude = 0;
        for (std::int64_t k = 0; k < integer_digits; ++k)
            magnitude = magnitude * 10 + (k < length ? digits[static_cast<std::size_t>(k)] - '0' : 0);
        if (integer_digits >= 0 && integer_digits < length) {
            const int next = digits[static_cast<std::size_t>(integer_digits)] - '0';
            const bool more = integer_digits + 1 < length;  // the last digit is not 0
            if (next > 5 || (next == 5 && (more || magnitude % 2 == 1))) ++magnitude;
        }
        return negative ? -magnitude : magnitude;
    }

    std::wstring_view text_;
    std::size_t pos_ = 0;
    bool signed_ = false;
    bool negative_ = false;
    bool currency_ = false;
    bool parenthesis_open_ = false;
};

}  // namespace

std::int16_t text_to_int16(const std::wstring& text) {
    // Windows hands the text over as a C string: a NUL ends it.
    const std::wstring visible = text.substr(0, text.find(L'\0'));
    const Result result = NumberReader(visible).read();
    if (result.outcome == Outcome::not_a_number) raise_not_a_number(visible);
    if (result.outcome == Outcome::overflow) raise_int16_overflow(visible);
    return result.value;
}

}  // namespace runtime
