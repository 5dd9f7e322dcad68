#pragma once
// The layout of patch.txt: one record a line, the patch number in characters
// 1-10 and the installation date from character 11.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace history {

inline constexpr std::size_t kNumberColumnWidth = 10;
inline constexpr std::size_t kDateColumnWidth = 10;

/// The lines of the history text, one at a time. A line ends at CR LF or at a
/// CR alone; a LF alone is an ordinary character of its line (the catalogue
/// writes CR LF, so a file of bare LFs reads as one long line). A last line
/// without an end is still a line; an empty text has none.
class LineReader {
public:
    explicit LineReader(std::wstring_view text) : text_(text) {}

    /// Sets `line` to the next line, without its end; false when none is left.
    bool next(std::wstring_view& line);

private:
    std::wstring_view text_;
    std::size_t pos_ = 0;
};

/// Characters 1-10 of a line, fewer when the line is shorter.
std::wstring number_column(std::wstring_view line);

/// Characters 11-20 of a line: fewer when it is shorter, none up to 10
/// characters. Whatever follows character 20 is never read.
std::wstring date_column(std::wstring_view line);

/// The record of patch `number` installed on `date`, without its line end:
/// the decimal number padded with spaces to 10 characters, then the date whole.
std::wstring record_text(std::int16_t number, std::wstring_view date);

/// Whether a record appended to a file holding `bytes` must be preceded by
/// CR LF: the file is not empty and its last line has no end, so the record
/// would otherwise run on from that line and be lost to every later reading.
bool needs_line_end_before_record(std::string_view bytes);

}  // namespace history
