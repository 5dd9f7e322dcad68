#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/numbers.h"
#include "runtime/run_time_error.h"
#include "runtime/text.h"
#include "tests/history/number_cases.h"

namespace {


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
    number_cases::expect_conversions(table);
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
