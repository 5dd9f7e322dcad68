// On Windows the caller's texts are in the system's ANSI code page.
#include <windows.h>

#include "text_codec.h"

namespace uz {
namespace {

std::u16string from_ansi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), length);
    return std::u16string(wide.begin(), wide.end());
}

}  // namespace

std::string to_callback_text(std::u16string_view text) {
    if (text.empty()) return {};
    const std::wstring wide(text.begin(), text.end());
    const int size = static_cast<int>(wide.size());
    // No "best fit": a character the code page lacks shows as '?', never as a
    // look-alike that could name another file. A UTF-8 code page takes neither.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    const int length = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, fallback, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), size, out.data(), length, fallback, nullptr);
    return out;
}

std::u16string from_callback_text(std::string_view bytes) { return from_ansi(bytes); }

std::u16string from_caller_path(std::string_view bytes) { return from_ansi(bytes); }

}  // namespace uz
