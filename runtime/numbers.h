#pragma once
#include <cstdint>
#include <string>

namespace runtime {

/// The platform's locale-aware conversion of text to a 16-bit signed integer,
/// as the user's regional settings read numbers: surrounding white space, a
/// sign, thousands separators, a decimal part rounded to the nearest integer
/// (a half to the even neighbour), an exponent, and &H / &O hexadecimal and
/// octal bit patterns. Text after a NUL character is not looked at.
///
/// Raises RunTimeError 13 (type mismatch) when the text is not a number, and
/// 6 (overflow) when its value lies outside -32768..32767; the description
/// quotes the text.
std::int16_t text_to_int16(const std::wstring& text);

/// The two failures above, so that every platform words them alike.
[[noreturn]] void raise_not_a_number(const std::wstring& text);
[[noreturn]] void raise_int16_overflow(const std::wstring& text);

}  // namespace runtime
