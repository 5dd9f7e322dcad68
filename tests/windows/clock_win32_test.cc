#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cwctype>

#include "platform/clock-win32.h"
#include "runtime/text.h"

namespace {

// The numbers of a date text, in the order they appear.
std::vector<int> numbers_in(const std::wstring& text) {
    std::vector<int> numbers;
    bool in_number = false;
    for (const wchar_t c : text) {
        if (std::iswdigit(c)) {
            if (!in_number) numbers.push_back(0);
            numbers.back() = numbers.back() * 10 + (c - L'0');
        }
        in_number = std::iswdigit(c);
    }
    return numbers;
}

// Day, month and year of `day` in the order the user's locale writes them:
// month first in English, day first in Italian.
std::vector<int> in_locale_order(const SYSTEMTIME& day) {
    if (PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == LANG_ITALIAN)
        return {day.wDay, day.wMonth, day.wYear};
    return {day.wMonth, day.wDay, day.wYear};
}

TEST(Win32Clock, WritesTodayAsTheUserShortDate) {
    SYSTEMTIME before{}, after{};
    GetLocalTime(&before);
    const std::wstring date = platform::Win32Clock().short_date_today();
    GetLocalTime(&after);
    SCOPED_TRACE(runtime::to_utf8(date));

    EXPECT_EQ(date.find(L'\0'), std::wstring::npos);
    EXPECT_EQ(date.find(L':'), std::wstring::npos) << "no time in a date";
    // Midnight may pass during the call.
    const auto numbers = numbers_in(date);
    EXPECT_TRUE(numbers == in_locale_order(before) || numbers == in_locale_order(after));
}

TEST(Win32Clock, FitsTheDateColumnOfTheHistory) {
    // The history reads 10 characters of date; a four-digit year with one- or
    // two-digit day and month fits them.
    const std::wstring date = platform::Win32Clock().short_date_today();
    EXPECT_GE(date.size(), 8u);
    EXPECT_LE(date.size(), 10u);
}

}  // namespace
