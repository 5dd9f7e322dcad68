#include "history/history_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/text.h"

namespace {

std::vector<std::wstring> lines_of(std::wstring_view text) {
    std::vector<std::wstring> lines;
    history::LineReader reader(text);
    std::wstring_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
}

TEST(HistoryLineReader, EndsLinesAtCrLfOrCrAloneButNotAtLfAlone) {
    const struct {
        std::wstring text;
        std::vector<std::wstring> lines;
    } cases[] = {
        {L"", {}},
        {L"\r\n", {L""}},
        {L"\r", {L""}},
        {L"a\r\nb\r\n", {L"a", L"b"}},
        {L"a\rb\r", {L"a", L"b"}},
        {L"a\r\nb", {L"a", L"b"}},                  // a last line without an end
        {L"a\nb\n", {L"a\nb\n"}},                    // LF alone is part of the line
        {L"a\n\r\nb", {L"a\n", L"b"}},
        {L"a\r\r\nb", {L"a", L"", L"b"}},           // CR, then CR LF
        {L"\r\n\r\n\r", {L"", L"", L""}},
        {L"a\r\n\nb", {L"a", L"\nb"}},
        {std::wstring(L"\0x\r\0", 4), {std::wstring(L"\0x", 2), std::wstring(L"\0", 1)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(runtime::to_utf8(c.text));
        EXPECT_EQ(lines_of(c.text), c.lines);
    }
}

TEST(HistoryColumns, NumberIsCharacters1To10AndDateCharacters11To20) {
    const struct {
        std::wstring line, number, date;
    } cases[] = {
        {L"", L"", L""},
        {L"7", L"7", L""},
        {L"6         ", L"6         ", L""},
        {L"6         0", L"6         ", L"0"},
        {L"6         01/06/2026", L"6         ", L"01/06/2026"},
        {L"6         01/06/2026 and then more", L"6         ", L"01/06/2026"},
        {L"         6 1/6/2026  ", L"         6", L" 1/6/2026 "},
        {L"12345678901234567890X", L"1234567890", L"1234567890"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(runtime::to_utf8(c.line));
        EXPECT_EQ(history::number_column(c.line), c.number);
        EXPECT_EQ(history::date_column(c.line), c.date);
    }
}

TEST(HistoryRecord, GoesOnALineOfItsOwn) {
    const struct {
        std::string bytes;
        bool needs_line_end;
    } cases[] = {
        {"", false},      {"6         01/06/2026\r\n", false}, {"6\r", false},
        {"6", true},      {"6\n", true},                       {"6\r\n\n", true},
        {"\r\n", false},  {"\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(history::needs_line_end_before_record(c.bytes), c.needs_line_end);
    }
}

}  // namespace
