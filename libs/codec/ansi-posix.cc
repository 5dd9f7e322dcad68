// Natively there is no ANSI code page: Windows-1252 stands in for it.
#include "libs/codec/codec.h"

namespace codec {

std::string to_ansi(std::u16string_view text) { return to_windows_1252(text); }
std::string to_ansi(std::wstring_view text) { return to_windows_1252(text); }

template <typename Char>
std::basic_string<Char> from_ansi(std::string_view bytes) {
    return from_windows_1252<Char>(bytes);
}

template std::u16string from_ansi<char16_t>(std::string_view);
template std::wstring from_ansi<wchar_t>(std::string_view);

}  // namespace codec
