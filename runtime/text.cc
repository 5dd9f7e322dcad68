#include "runtime/text.h"

#include "libs/codec/codec.h"

namespace runtime {

std::string to_ansi(std::wstring_view text) { return codec::to_ansi(text); }

std::wstring from_ansi(std::string_view bytes) { return codec::from_ansi<wchar_t>(bytes); }

std::wstring trim_spaces(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    const auto last = text.find_last_not_of(L' ');
    return std::wstring(text.substr(first, last - first + 1));
}

std::string to_utf8(std::wstring_view text) { return codec::to_utf8(text); }

// Logs and exception texts must be read whatever they hold.
std::wstring from_utf8(std::string_view bytes) { return codec::from_utf8_or_replacement<wchar_t>(bytes); }

}  // namespace runtime
