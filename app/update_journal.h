#pragma once
// The journal of a catalogue update: written into the installation folder and
// flushed before anything there changes, it is the only record of what the
// run may write, so that a rollback (of the failing run, or at the next start
// after a run that was cut short) undoes exactly that and nothing else.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue_update {

/// A path beside the data folder that the update writes, relative to the
/// installation folder.
struct Written {
    enum class Kind {
        new_file,    ///< did not exist: the update's own
        new_folder,  ///< did not exist: the update's own while it is empty
        replaced,    ///< an existing file, copied aside first
        temporary,   ///< the unzip library's temporary file for a replaced one, free before the run
    };
    Kind kind;
    std::wstring path;
    bool operator==(const Written&) const = default;
};

struct Journal {
    /// The new data is complete and on the disk: only the cleanup is left.
    bool committed = false;
    /// The name, inside the installation folder, under which the old data
    /// folder is set aside; empty when there was none.
    std::wstring set_aside;
    /// The folder, inside the installation folder, that keeps the copies of
    /// the replaced files; empty when none is replaced.
    std::wstring copies;
    /// The delivered archive, deleted once the update stands.
    std::wstring archive;
    /// In the order the update met them: a folder before what it holds.
    std::vector<Written> written;
    /// patch.txt as it was before the run.
    std::string history;
    /// The bytes the run appends to patch.txt to record the patch.
    std::string record;
    /// The name, inside the installation folder, under which a rollback
    /// writes the history's bytes before they replace patch.txt; free before
    /// the run. Empty in journals of earlier releases.
    std::wstring restore;

    std::string serialize() const;
    /// Nothing when `bytes` are not one whole journal whose checksum holds.
    static std::optional<Journal> parse(std::string_view bytes);
    /// Whether `bytes` are the beginning of a journal, or nothing yet: what a
    /// run cut short while it wrote one leaves.
    static bool begins_like_one(std::string_view bytes);
    /// Whether every name is of a shape this program writes, inside the
    /// installation folder: nothing else may be touched on its word.
    bool well_formed() const;
    bool operator==(const Journal&) const = default;
};

/// Where a replaced file's copy is kept, below the copies folder.
std::wstring copy_of(const Journal& journal, const std::wstring& replaced);

}  // namespace catalogue_update
