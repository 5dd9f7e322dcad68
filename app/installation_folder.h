#pragma once
// From the shortcut's padded working folder to the catalogue's installation folder.
#include <optional>
#include <string>

namespace installation_folder {

/// Removes the spaces at both ends, then the last character (the NUL that ends
/// the value in a padded text). Nothing when no character is left to remove.
std::optional<std::wstring> clean(const std::wstring& padded);

/// Catalogues installed from one known package carry a working folder that lost
/// the backslash before "progetto_html": when the lower-case path contains
/// "varenkorcatalogoprogetto_html", every "progetto_html" (exact case) becomes
/// "\progetto_html".
std::wstring repair(const std::wstring& path);

}  // namespace installation_folder
