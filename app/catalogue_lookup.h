#pragma once
// Where the catalogue to update is: the folder given with /dir, or the working
// folder of the catalogue's Start-menu shortcut. A deployment tool runs the
// installer as SYSTEM or as an administrator other than the catalogue's user,
// so the shortcut is looked for beyond the current user's Start menu.
#include <optional>
#include <string>

#include "runtime/os.h"

namespace catalogue_lookup {

/// The installation folder as the shortcut reader gives it (padded: the
/// folder, a NUL, then spaces), for correzione_path. Looked for in this order:
/// `chosen_folder` (/dir), when given; the current user's Programs folder; all
/// users'; every user profile's. Ends the program (1642) with a message when
/// the chosen folder does not exist, when no Start menu has the catalogue, and
/// when the profiles' shortcuts name different folders.
std::wstring padded_working_folder(runtime::Os& os, const std::optional<std::wstring>& chosen_folder);

}  // namespace catalogue_lookup
