#include "runtime/text.h"

#include <gtest/gtest.h>

using runtime::from_ansi;
using runtime::to_ansi;

TEST(AnsiText, AccentsSurviveTheRoundTrip) {
    const std::wstring text = L"perché già può € „Œ”";
    const std::string bytes = to_ansi(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(bytes[5], '\xE9');
    EXPECT_EQ(from_ansi(bytes), text);
}

TEST(AnsiText, EveryByteIsOneCharacterIncludingNul) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::wstring text = from_ansi(all);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(text[0], L'\0');
    EXPECT_EQ(to_ansi(text), all);
}

TEST(AnsiText, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(to_ansi(L"a\u4E2Db"), "a?b");
}

TEST(TrimSpaces, RemovesOnlySpacesAtBothEnds) {
    EXPECT_EQ(runtime::trim_spaces(L"  7 \t "), L"7 \t");
    EXPECT_EQ(runtime::trim_spaces(L"     "), L"");
    EXPECT_EQ(runtime::trim_spaces(std::wstring(L"C:\\Cat") + L'\0' + L"   "), std::wstring(L"C:\\Cat") + L'\0');
}

TEST(Utf8, RoundTripsAccentsAndAstralCharacters) {
    const std::wstring text = L"perché \U0001F600";
    EXPECT_EQ(runtime::from_utf8(runtime::to_utf8(text)), text);
    EXPECT_EQ(runtime::to_utf8(L"é"), "\xC3\xA9");
}

TEST(Utf8, MalformedBytesAreReplacedNeverDecoded) {
    // An overlong '/' and an encoded surrogate are no characters, nor is a lone surrogate.
    EXPECT_EQ(runtime::from_utf8("a\xC0\xAF" "b\xED\xA0\x80"), L"a\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(runtime::to_utf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}
