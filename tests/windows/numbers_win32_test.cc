#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/numbers.h"
#include "runtime/run_time_error.h"
#include "runtime/text.h"
#include "tests/history/number_cases.h"

namespace {

using number_cases::Expect;

bool user_locale_is_italian() {
    return PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == LANG_ITALIAN;
}

// The Italian run of this binary sets EXPECTED_USER_LOCALE: a locale that did
// not take would otherwise pass silently on the English table.
TEST(UserLocale, IsTheOneTheRunAskedFor) {
    wchar_t expected[16] = {};
    if (GetEnvironmentVariableW(L"EXPECTED_USER_LOCALE", expected, 16) == 0) GTEST_SKIP();
    EXPECT_EQ(std::wstring(expected) == L"it-IT", user_locale_is_italian());
}

TEST(TextToInt16OnWindows, ReadsNumbersAsTheUserLocaleDoes) {
    const auto& table = user_locale_is_italian() ? number_cases::kItalian : number_cases::kEnglish;
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

TEST(TextToInt16OnWindows, ErrorsQuoteTheTextThatFailed) {
    try {
        runtime::text_to_int16(L"sei");
        FAIL() << "no error";
    } catch (const runtime::RunTimeError& error) {
        EXPECT_EQ(error.number(), 13);
        EXPECT_NE(error.description().find(L"\"sei\""), std::wstring::npos);
    }
}

}  // namespace
