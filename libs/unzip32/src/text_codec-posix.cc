// Natively there is no ANSI code page: callback texts and name patterns are
// Windows-1252 (what the installer's systems use), paths are UTF-8.
#include "text_codec.h"

namespace uz {

std::string to_callback_text(std::u16string_view text) { return to_windows_1252(text); }

std::u16string from_callback_text(std::string_view bytes) { return from_windows_1252(bytes); }

std::u16string from_caller_path(std::string_view bytes) {
    if (auto text = from_utf8(bytes)) return *text;
    return from_windows_1252(bytes);
}

}  // namespace uz
