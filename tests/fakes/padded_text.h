#pragma once
#include <string>

namespace fakes {

/// A text property as the shortcut reader returns it: the value, one NUL, then
/// spaces up to 255 characters.
inline std::wstring padded(const std::wstring& value) {
    std::wstring text = value;
    text += L'\0';
    text.resize(255, L' ');
    return text;
}

}  // namespace fakes
