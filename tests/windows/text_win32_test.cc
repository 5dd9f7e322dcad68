#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/text.h"

TEST(AnsiTextOnWindows, UsesTheProcessCodePage) {
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(runtime::to_ansi(L"perché già può"), "perch\xE9 gi\xE0 pu\xF2");
    EXPECT_EQ(runtime::from_ansi("\x80\xE8"), L"€è");
    // No look-alikes: 'Ā', a division slash and a full-width dot are not 'A', '/' and '.'.
    EXPECT_EQ(runtime::to_ansi(L"\u0100\u2215\uFF0E"), "???");
}

TEST(AnsiTextOnWindows, KeepsNulBytesAndLength) {
    const std::string padded = std::string("C:\\Cat") + '\0' + std::string(248, ' ');
    const std::wstring text = runtime::from_ansi(padded);
    ASSERT_EQ(text.size(), 255u);
    EXPECT_EQ(text[6], L'\0');
}
