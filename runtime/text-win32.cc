#include "runtime/text.h"

#include <windows.h>

namespace runtime {

std::string to_ansi(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    // No "best fit": a character the code page lacks becomes '?', as in the
    // unzip library, never a look-alike ('/' for a fraction slash, 'A' for 'Ā')
    // that could name another file. A UTF-8 code page takes neither.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    const int needed = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, fallback, nullptr);
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, out.data(), needed, fallback, nullptr);
    return out;
}

std::wstring from_ansi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, out.data(), needed);
    return out;
}

}  // namespace runtime
