#pragma once
// What an entry's stored name may become on disk. A name is refused, never
// repaired, when it could reach outside the target folder or name something
// that is not a plain file on Windows: the archive is then not what its author
// meant, and guessing would write somewhere the user did not expect.
#include <string>
#include <string_view>
#include <vector>

namespace uz {

enum class NameProblem {
    none,
    empty,
    absolute,        // starts at a root: "/x", "\x"
    unc,             // "\\server\share" or "//server/share"
    drive,           // "C:x", "C:\x"
    parent,          // a ".." component
    colon,           // alternate data streams, drive-relative names
    device,          // CON, NUL, AUX, PRN, COM1-9, LPT1-9, CONIN$, CONOUT$
    bad_character,   // < > " | ? * or a control character
    bad_ending,      // a component that ends in a dot or a space, or is only dots
};

/// The refusal reason as the messages say it.
const char* describe(NameProblem problem);

struct EntryPath {
    std::vector<std::u16string> components;  // empty only for the folder "./"
    bool is_directory = false;               // the stored name ended in a separator
};

/// Splits a decoded entry name (either separator) into checked components.
NameProblem parse_entry_name(std::u16string_view name, EntryPath& path);

/// The name with '/' separators, as include and exclude patterns see it.
std::u16string normalized_name(std::u16string_view name);

/// Whether a single component names a Windows device, whatever its extension.
bool is_device_name(std::u16string_view component);

}  // namespace uz
