#include "runtime/numbers.h"

#include <gtest/gtest.h>

#include "runtime/run_time_error.h"
#include "runtime/text.h"
#include "tests/history/number_cases.h"

namespace {


TEST(TextToInt16, ReadsNumbersAsWindowsDoesInTheEnglishLocale) {
    number_cases::expect_conversions(number_cases::kEnglish);
}

TEST(TextToInt16, ErrorsQuoteTheTextThatFailed) {
    try {
        runtime::text_to_int16(L"sei");
        FAIL() << "no error";
    } catch (const runtime::RunTimeError& error) {
        EXPECT_EQ(error.number(), 13);
        EXPECT_NE(error.description().find(L"\"sei\""), std::wstring::npos);
    }
    try {
        runtime::text_to_int16(L"40000");
        FAIL() << "no error";
    } catch (const runtime::RunTimeError& error) {
        EXPECT_EQ(error.number(), 6);
        EXPECT_NE(error.description().find(L"\"40000\""), std::wstring::npos);
    }
}

// Every 16-bit value written in decimal reads back as itself, and so does it
// with the history's padding around it.
TEST(TextToInt16, EveryValueRoundTrips) {
    for (int v = -32768; v <= 32767; ++v) {
        const std::wstring text = std::to_wstring(v);
        ASSERT_EQ(runtime::text_to_int16(text), v);
        ASSERT_EQ(runtime::text_to_int16(L"  " + text + L"    "), v);
    }
}

}  // namespace
