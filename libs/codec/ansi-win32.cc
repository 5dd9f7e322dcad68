#include <windows.h>

#include <type_traits>

#include "libs/codec/codec.h"

namespace codec {

std::string to_ansi(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    // No "best fit": a character the code page lacks becomes '?', never a
    // look-alike ('/' for a division slash, 'A' for 'Ā') that could name
    // another file. A UTF-8 code page, which lacks nothing, takes neither.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, fallback, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, out.data(), length, fallback, nullptr);
    return out;
}

std::string to_ansi(std::u16string_view text) { return to_ansi(std::wstring(text.begin(), text.end())); }

template <typename Char>
std::basic_string<Char> from_ansi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), length);
    if constexpr (std::is_same_v<Char, wchar_t>) return wide;
    else return std::basic_string<Char>(wide.begin(), wide.end());
}

template std::u16string from_ansi<char16_t>(std::string_view);
template std::wstring from_ansi<wchar_t>(std::string_view);

}  // namespace codec
