#pragma once
#include <string>

namespace stkit {

/// What one shortcut file holds.
struct Shortcut {
    std::wstring target;
    std::wstring arguments;
};

/// Writes `folder`\`name`.lnk through the shell link object: it points to the
/// target with the arguments and works in the target's own folder. The file
/// appears whole or not at all: it is saved under a temporary name in the same
/// folder and then moved over any older shortcut of that name.
bool write_shortcut(const std::wstring& folder, const std::wstring& name, const Shortcut& shortcut);

}  // namespace stkit
