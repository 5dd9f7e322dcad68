#include "unzip/listing_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zip::collect;
using zip::ListingEntry;
using zip::listing_line;

// Columns `from` to `to` of a line, numbered from 1.
std::wstring columns(const std::wstring& line, std::size_t from, std::size_t to) {
    return line.substr(from - 1, to - from + 1);
}

std::wstring blanks(std::size_t n) { return std::wstring(n, L' '); }

// Exactly `bytes` in a heap block of their size, so that AddressSanitizer stops
// any read past the end.
std::vector<char> exact_buffer(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(Collect, TakesTheBytesBeforeTheFirstNulWithinTheBound) {
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t bound;
        std::wstring expected;
    };
    const std::vector<Case> cases = {
        {"stops at the first NUL", std::string("abc\0def", 7), 7, L"abc"},
        {"NUL at position 0", std::string("\0abc", 4), 4, L""},
        {"no NUL: the whole bound", "abcdefghij", 10, L"abcdefghij"},
        {"bound shorter than the text", "abcdefghij", 4, L"abcd"},
        {"NUL right at the bound is not needed", std::string("abcd\0", 5), 4, L"abcd"},
        {"bound of zero", "abc", 0, L""},
        {"high bytes through the code page", "\xE9\x80\xFF\xA0\x9C", 5, L"\u00E9\u20AC\u00FF\u00A0\u0153"},
    };
    for (const Case& c : cases) {
        const std::vector<char> buffer = exact_buffer(c.bytes);
        EXPECT_EQ(collect(buffer.data(), c.bound), c.expected) << c.what;
    }
}

TEST(Collect, NullBufferIsTheEmptyText) { EXPECT_EQ(collect(nullptr, 256), L""); }

TEST(Collect, LongBufferWithoutNulStopsExactlyAtTheBound) {
    for (const std::size_t bound : {zip::kNameBound, zip::kPrintBound}) {
        const std::vector<char> buffer = exact_buffer(std::string(bound, 'x'));
        EXPECT_EQ(collect(buffer.data(), bound).size(), bound);
    }
}

TEST(HeaderLine, HasItsFourWordsInTheirColumns) {
    const std::wstring header = zip::header_line();
    ASSERT_EQ(header.size(), 80u);
    EXPECT_EQ(columns(header, 1, 9), L"Filename:");
    EXPECT_EQ(columns(header, 10, 52), blanks(43));
    EXPECT_EQ(columns(header, 53, 56), L"Size");
    EXPECT_EQ(columns(header, 57, 61), blanks(5));
    EXPECT_EQ(columns(header, 62, 65), L"Date");
    EXPECT_EQ(columns(header, 66, 70), blanks(5));
    EXPECT_EQ(columns(header, 71, 74), L"Time");
    EXPECT_EQ(columns(header, 75, 80), blanks(6));
}

TEST(ListingLine, ReadmeExampleColumnByColumn) {
    const std::wstring line = listing_line(L"readme.txt", {1234, 3, 5, 4, 9, 7});
    ASSERT_EQ(line.size(), 80u);
    EXPECT_EQ(columns(line, 1, 10), L"readme.txt");
    EXPECT_EQ(columns(line, 11, 50), blanks(40));
    EXPECT_EQ(columns(line, 51, 57), L"   1234");
    EXPECT_EQ(columns(line, 58, 59), blanks(2));
    EXPECT_EQ(columns(line, 60, 67), L" 5/03/04");
    EXPECT_EQ(columns(line, 68, 69), blanks(2));
    EXPECT_EQ(columns(line, 70, 74), L" 9:07");
    EXPECT_EQ(columns(line, 75, 80), blanks(6));
}

// Each field read from its 32-bit slot: sign, zero or blank filling, the last
// characters only, and the low 16 bits for the date and time.
TEST(ListingLine, NumberFormsOfEachField) {
    struct Case {
        const char* what;
        ListingEntry entry;
        std::wstring size, day, month, year, hour, minute;
    };
    const std::uint32_t minus_one = 0xFFFFFFFFu;
    const std::vector<Case> cases = {
        {"four-digit year, zero minute and hour, two-digit day",
         {0, 12, 15, 2004, 0, 0}, L"      0", L"15", L"12", L"04", L" 0", L"00"},
        {"six-digit size", {123456, 1, 1, 99, 23, 59}, L" 123456", L" 1", L"01", L"99", L"23", L"59"},
        {"seven-digit size", {1234567, 1, 1, 0, 1, 1}, L"1234567", L" 1", L"01", L"00", L" 1", L"01"},
        {"eight-digit size keeps its last seven", {12345678, 1, 1, 0, 1, 1}, L"2345678", L" 1", L"01", L"00",
         L" 1", L"01"},
        {"size read as signed", {minus_one, 1, 1, 0, 1, 1}, L"     -1", L" 1", L"01", L"00", L" 1", L"01"},
        {"largest size a signed reading gives", {0x80000000u, 1, 1, 0, 1, 1}, L"7483648", L" 1", L"01", L"00",
         L" 1", L"01"},
        {"negative 16-bit readings", {5, 0xFFFFu, 0xFFFDu, 0xFFF6u, 0xFFF4u, 0x8000u}, L"      5", L"-3", L"-1",
         L"10", L"12", L"68"},
        {"only the low half counts", {5, 0x10003u, 0xABCD0005u, 0x107D4u, 0x20009u, 0x70007u}, L"      5", L" 5",
         L"03", L"04", L" 9", L"07"},
        {"three-digit day and hour keep their last two", {5, 100, 123, 100, 100, 100}, L"      5", L"23", L"00",
         L"00", L"00", L"00"},
    };
    for (const Case& c : cases) {
        const std::wstring line = listing_line(L"n", c.entry);
        ASSERT_EQ(line.size(), 80u) << c.what;
        EXPECT_EQ(columns(line, 51, 57), c.size) << c.what;
        EXPECT_EQ(columns(line, 60, 61), c.day) << c.what;
        EXPECT_EQ(columns(line, 63, 64), c.month) << c.what;
        EXPECT_EQ(columns(line, 66, 67), c.year) << c.what;
        EXPECT_EQ(columns(line, 70, 71), c.hour) << c.what;
        EXPECT_EQ(columns(line, 73, 74), c.minute) << c.what;
        EXPECT_EQ(columns(line, 62, 62) + columns(line, 65, 65) + columns(line, 72, 72), L"//:") << c.what;
        EXPECT_EQ(columns(line, 58, 59) + columns(line, 68, 69) + columns(line, 75, 80), blanks(10)) << c.what;
    }
}

TEST(ListingLine, NameFillsColumnsOneToFiftyAtMost) {
    struct Case {
        const char* what;
        std::wstring name;
        std::wstring shown;
    };
    const std::wstring sixty = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ01234567";
    const std::vector<Case> cases = {
        {"empty name", L"", blanks(50)},
        {"sixty characters show their first fifty", sixty, sixty.substr(0, 50)},
        {"exactly fifty", sixty.substr(0, 50), sixty.substr(0, 50)},
        {"accents and spaces kept", L"dati\\perch\u00E9 s\u00EC.htm", L"dati\\perch\u00E9 s\u00EC.htm" + blanks(32)},
    };
    for (const Case& c : cases) {
        const std::wstring line = listing_line(c.name, {1, 1, 1, 1, 1, 1});
        ASSERT_EQ(line.size(), 80u) << c.what;
        EXPECT_EQ(columns(line, 1, 50), c.shown) << c.what;
        EXPECT_EQ(columns(line, 51, 57), L"      1") << c.what;
    }
}

}  // namespace
