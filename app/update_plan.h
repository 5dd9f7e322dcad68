#pragma once
// What an archive will write into the installation folder, read from its
// listing before anything changes: the journal's list of paths beside the
// data folder, and what the commit checks and flushes.
#include <string>
#include <vector>

#include "app/update_journal.h"
#include "runtime/file_system.h"
#include "unzip/zip.h"

namespace catalogue_update {

struct Plan {
    /// Every entry below the data folder, relative to the installation folder.
    std::vector<std::wstring> data;
    /// Every path beside the data folder that the archive writes, each once,
    /// a folder before what it holds, spelled as on the disk where it exists.
    std::vector<Written> beside;
    /// Every file the archive writes, relative to the installation folder.
    std::vector<std::wstring> files;
    /// Free names for the old data folder (when there is one), for the
    /// copies of the replaced files (when any is replaced) and for the
    /// history's bytes in a rollback.
    std::wstring set_aside, copies, restore;
};

/// The relative `path` as the disk spells it: each component that exists by
/// its long name, in the case the disk has; the rest as given.
std::wstring on_disk(runtime::FileSystem& files, const std::wstring& folder, const std::wstring& path);

/// The first of `base`, `base.2`, `base.3`… that nothing in `folder` is
/// called; raises UpdateFailed when all are taken.
std::wstring free_name(runtime::FileSystem& files, const std::wstring& folder, std::wstring_view base);

/// The plan for extracting `entries` (the archive's listing) into `folder`.
/// Raises UpdateFailed when the archive cannot be installed: it holds no
/// data folder, a name that could reach outside the folder or that names a
/// device, or one of the update's own names, under any name the file system
/// takes for it; or the data folder is a link to another folder.
Plan plan_update(runtime::FileSystem& files, const std::wstring& folder, const std::wstring& archive,
                 const std::vector<zip::ListedEntry>& entries);

}  // namespace catalogue_update
