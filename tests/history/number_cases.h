#pragma once
// How Windows reads a text as a 16-bit integer, case by case, as seen on the
// system's own conversion under Wine. The Windows tests hold the real
// conversion to these tables; the native tests hold the portable one to the
// English table, so that both builds read a history file alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/numbers.h"
#include "runtime/run_time_error.h"
#include "runtime/text.h"

namespace number_cases {

enum class Expect { value, type_mismatch, overflow };

struct Case {
    std::wstring text;
    Expect expect = Expect::value;
    std::int16_t value = 0;
};

inline Case is(std::wstring text, std::int16_t value) { return {std::move(text), Expect::value, value}; }
inline Case mismatch(std::wstring text) { return {std::move(text), Expect::type_mismatch, 0}; }
inline Case overflow(std::wstring text) { return {std::move(text), Expect::overflow, 0}; }

/// The default English locale: '.' decimal point, ',' thousands, '$' currency.
inline const std::vector<Case> kEnglish = {
    // Plain integers and the white space around them.
    is(L"7", 7), is(L" 7 ", 7), is(L"\t7\t", 7), is(L"\r\n7", 7), is(L"\u00A07\u3000", 7),
    is(L"00007", 7), is(L"-3", -3), is(L"+7", 7), is(L"-0", 0),
    is(L"32767", 32767), is(L"-32768", -32768),
    // Signs after the number, parentheses and the currency symbol.
    is(L"7-", -7), is(L"(7)", -7), is(L"(-7)", -7), is(L"$7", 7), is(L"7 $", 7), is(L"- $ 7", -7),
    // Fractions: to the nearest integer, a half to the even neighbour, exactly.
    is(L"6.5", 6), is(L"7.5", 8), is(L"-6.5", -6), is(L"-7.5", -8), is(L"0.5", 0), is(L"1.5", 2),
    is(L"-0.5", 0), is(L"2.5000001", 3), is(L"6.50000000000000000000000000000", 6), is(L".5", 0),
    is(L"5.", 5), is(L"32767.4", 32767), is(L"32767.49999999999999999999", 32767),
    is(L"-32768.5", -32768),
    // Thousands separators may stand anywhere after the first digit.
    is(L"1,000", 1000), is(L"32,767", 32767), is(L"1,0", 10), is(L"7,", 7), is(L"1,000.5", 1000),
    // Exponents.
    is(L"1e2", 100), is(L"1E+2", 100), is(L"1.5e1", 15), is(L"1e-1", 0), is(L"123456e-2", 1235),
    is(L"1e-99999", 0), is(L"0e99999", 0),
    // Hexadecimal and octal give the 16 bits directly; a sign changes nothing.
    is(L"&H10", 16), is(L"&h1f", 31), is(L"&HFFFF", -1), is(L"&H8000", -32768), is(L"&H7FFF", 32767),
    is(L"&O17", 15), is(L"&O177777", -1), is(L"&H10e1", 0x10E1), is(L"-&H10", 16),
    // The conversion reads a C string: a NUL ends the text.
    is(std::wstring(L"7\0abc", 5), 7),

    mismatch(L""), mismatch(L"   "), mismatch(L"sei"), mismatch(L"7a"), mismatch(L"1 2"),
    mismatch(L"."), mismatch(L"-"), mismatch(L"$"), mismatch(L"()"), mismatch(L"(7"), mismatch(L"7)"),
    mismatch(L"((7))"), mismatch(L"--7"), mismatch(L"-7-"), mismatch(L",1"), mismatch(L"1.2.3"),
    mismatch(L"1e"), mismatch(L"e2"), mismatch(L"1d2"), mismatch(L"1e 2"), mismatch(L"&H"),
    mismatch(L"&B1"), mismatch(L"&HG"), mismatch(L"&O8"), mismatch(L"&H1.5"), mismatch(L"$&H10"),
    mismatch(L"0x10"), mismatch(L"\u200B7"), mismatch(L"\uFF11"), mismatch(L"\u20AC7"),
    mismatch(std::wstring(L"\0" L"7", 2)),

    overflow(L"40000"), overflow(L"-32769"), overflow(L"32767.5"), overflow(L"-32768.6"),
    overflow(L"-32768.50000000000000000001"), overflow(L"99999999999999999999999"), overflow(L"1e5"),
    overflow(L"1e99999"), overflow(L"3276.75e1"), overflow(L"1,000,000"), overflow(L"3,2767.5"),
    overflow(L"&H10000"), overflow(L"&O200000"),
};

/// The Italian locale: ',' decimal point, '.' thousands, the euro sign.
inline const std::vector<Case> kItalian = {
    is(L"7", 7), is(L" 7 ", 7), is(L"-3", -3),
    is(L"6,5", 6), is(L"7,5", 8), is(L"6.5", 65), is(L"1.2.3", 123), is(L"1,000", 1),
    is(L"\u20AC7", 7), is(L"&HFFFF", -1),
    mismatch(L""), mismatch(L"sei"), mismatch(L"$7"), mismatch(L"1,,0"),
    overflow(L"40000"), overflow(L"2.5000001"), overflow(L"32767,5"),
};

/// Converts every text of `table` and holds the result to the table's.
inline void expect_conversions(const std::vector<Case>& table) {
    for (const auto& c : table) {
        SCOPED_TRACE("text \"" + runtime::to_utf8(c.text) + "\"");
        try {
            const std::int16_t value = runtime::text_to_int16(c.text);
            EXPECT_EQ(c.expect, Expect::value) << "converted to " << value;
            EXPECT_EQ(value, c.value);
        } catch (const runtime::RunTimeError& error) {
            const int expected = c.expect == Expect::overflow ? runtime::error_number::overflow
                                                               : runtime::error_number::type_mismatch;
            EXPECT_NE(c.expect, Expect::value) << error.what();
            EXPECT_EQ(error.number(), expected) << error.what();
        }
    }
}

}  // namespace number_cases
