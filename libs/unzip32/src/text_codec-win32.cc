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
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, out.data(), length, "?", nullptr);
    return out;
}

std::u16string from_callback_text(std::string_view bytes) { return from_ansi(bytes); }

std::u16string from_caller_path(std::string_view bytes) { return from_ansi(bytes); }

}  // namespace uz
