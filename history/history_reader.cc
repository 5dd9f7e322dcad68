#include "history/history_reader.h"

#include <algorithm>

namespace history {

bool LineReader::next(std::wstring_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = text_.find(L'\r', pos_);
    if (end == std::wstring_view::npos) {
        line = text_.substr(pos_);
        pos_ = text_.size();
        return true;
    }
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (pos_ < text_.size() && text_[pos_] == L'\n') ++pos_;
    return true;
}

std::wstring number_column(std::wstring_view line) {
    return std::wstring(line.substr(0, kNumberColumnWidth));
}

std::wstring date_column(std::wstring_view line) {
    if (line.size() <= kNumberColumnWidth) return {};
    return std::wstring(line.substr(kNumberColumnWidth, kDateColumnWidth));
}

std::wstring record_text(std::int16_t number, std::wstring_view date) {
    std::wstring text = std::to_wstring(number);
    text.resize(std::max(text.size(), kNumberColumnWidth), L' ');
    text += date;
    return text;
}

bool needs_line_end_before_record(std::string_view bytes) {
    if (bytes.empty()) return false;
    if (bytes.ends_with("\r\n") || bytes.ends_with('\r')) return false;
    return true;  // a bare LF does not end a line either
}

}  // namespace history
