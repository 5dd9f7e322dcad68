// Native builds stand in for the ANSI code page with Windows-1252, the code page
// of a Western European Windows.
#include "runtime/text.h"

#include <array>

namespace runtime {
namespace {

// Windows-1252 bytes 0x80-0x9F; 0 marks the five unassigned bytes, which map to
// the C1 control of the same value, as Windows does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t decode(unsigned char b) {
    if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0) return kHigh[b - 0x80];
    return b;
}

}  // namespace

std::string to_ansi(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (const wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        char byte = '?';
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            byte = static_cast<char>(c);
        } else {
            for (unsigned b = 0x80; b < 0x100; ++b) {
                if (decode(static_cast<unsigned char>(b)) == c) {
                    byte = static_cast<char>(b);
                    break;
                }
            }
        }
        out += byte;
    }
    return out;
}

std::wstring from_ansi(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (const char b : bytes) out += static_cast<wchar_t>(decode(static_cast<unsigned char>(b)));
    return out;
}

}  // namespace runtime
