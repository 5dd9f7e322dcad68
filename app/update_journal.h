#pragma once
// The journal of a catalogue update: written into the installation folder
// before anything there changes, so that the next start can undo, or finish,
// a run that was cut short (killed, crashed, powered off).
#include <optional>
#include <string>
#include <string_view>

namespace catalogue_update {

struct Journal {
    /// The new data is complete: only the old data and the archive are left to delete.
    bool committed = false;
    /// The name, inside the installation folder, under which the old data folder
    /// is set aside; empty when there was no old data folder.
    std::wstring set_aside;
    /// The delivered archive, deleted once the update is committed.
    std::wstring archive;
    /// patch.txt as it was before the run.
    std::string history;

    std::string serialize() const;
    /// Nothing when `bytes` are not one whole journal.
    static std::optional<Journal> parse(std::string_view bytes);
};

}  // namespace catalogue_update
