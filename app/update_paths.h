#pragma once
// Names inside the installation folder as the catalogue update uses them:
// relative paths with backslashes, compared as Windows compares file names.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue_update {

/// Entries of the installation folder that belong to the update itself.
inline constexpr std::wstring_view kDataFolder = L"catalogo";
inline constexpr std::wstring_view kHistory = L"patch.txt";
inline constexpr std::wstring_view kJournal = L"patch7.journal";
/// The old data's place while the new data is written, numbered (".2", ".3"…)
/// when something of that name is there already.
inline constexpr std::wstring_view kSetAside = L"catalogo.prima-della-patch-7";
/// Where the files beside the data folder that the archive replaces are kept
/// until the update stands, numbered in the same way.
inline constexpr std::wstring_view kCopies = L"altri-file.prima-della-patch-7";
/// Where a rollback writes the history's old bytes before they take the
/// place of patch.txt in one step, numbered in the same way.
inline constexpr std::wstring_view kRestore = L"patch.txt.prima-della-patch-7";

/// Whether two names are the same file name on Windows (case folded).
bool same_name(std::wstring_view a, std::wstring_view b);

/// The form of a name that same_name compares: equal for the same file name.
std::wstring folded(std::wstring_view name);

/// Whether the relative `path` is `folder` or lies below it.
bool within(std::wstring_view path, std::wstring_view folder);

/// Whether `name` is `base` or `base` numbered ".2" to ".9999".
bool numbered(std::wstring_view name, std::wstring_view base);

/// The components of an archive entry's name ('/' or '\' between them, "."
/// and empty ones dropped); nothing when the name could reach outside the
/// folder or is no Windows file name (absolute, a drive, "..", a colon,
/// wildcards, control characters, a component ending in a dot or a blank, a
/// device's name).
std::optional<std::vector<std::wstring>> entry_components(std::wstring_view name);

/// Whether a component of `name` is one of the names Windows gives its
/// devices (NUL, CON, PRN, AUX, COM1, LPT1...), with any extension, in any
/// case: opening it opens the device, not a file.
bool names_a_device(std::wstring_view name);

/// Whether `component` has the shape of a short (8.3) name the file system
/// makes up for a longer one (CATALO~1.PRI, or Wine's CATA~XO3.PRI): it may
/// be another name of something that exists, or will exist, under a long name.
bool short_name_shape(std::wstring_view component);

/// `components` joined with backslashes.
std::wstring join(const std::vector<std::wstring>& components, std::size_t count);

/// Whether `path` is a relative path of plain components, as
/// entry_components gives them, joined with backslashes.
bool plain_relative_path(std::wstring_view path);

/// Whether `path` is a name the update may write beside the data folder: a
/// plain relative path, not in the data folder, and none of the update's own
/// files and folders (the history, the journal, the set-aside data, the copies,
/// the history's restore), neither by its long name nor by a short one.
bool beside_data(std::wstring_view path);

/// The folder part and the last component of a relative path.
std::wstring parent_of(std::wstring_view path);
std::wstring leaf_of(std::wstring_view path);

}  // namespace catalogue_update
