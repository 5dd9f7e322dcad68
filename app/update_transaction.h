#pragma once
// The catalogue update as one transaction: the old data folder is set aside,
// not deleted, until the new data is complete; until then any failure, and
// the next start after a run that was cut short, puts back the old data and
// the history's exact bytes.
#include <optional>
#include <set>
#include <string>

#include "app/update_journal.h"
#include "runtime/file_system.h"

namespace catalogue_update {

class Transaction {
public:
    /// The update of the data folder "catalogo" of `folder` from `archive`.
    Transaction(runtime::FileSystem& files, const std::wstring& folder, const std::wstring& archive);
    /// Rolls back an update that was begun and neither committed nor abandoned.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// Ends what an earlier run that was cut short left in the folder: rolls
    /// it back, or finishes the cleanup of an update that was committed.
    /// Nothing when the folder is in order; otherwise what went wrong and
    /// where the data is now.
    std::optional<std::wstring> recover();

    /// Writes the journal, flushed to the disk: the history as it is now and
    /// where the old data will be set aside. Nothing is written when there is
    /// no history, which the history check then refuses.
    void begin();
    /// Drops the journal: the history check refused, the data was not touched.
    void abandon();
    /// Checks that the old data folder could be deleted (raising the error
    /// that a deletion would meet), then moves it aside. Notes what else the
    /// folder holds, so that a rollback in this run also takes away what the
    /// extraction added beside the data folder.
    void set_aside_old_data();
    /// Marks the journal committed, flushed: from here on the update stands.
    void commit();
    /// Deletes the old data, the archive and the journal of a committed
    /// update. What cannot be deleted now is left to the next start; an
    /// archive that cannot be deleted stays where it is.
    void clean_up() noexcept;
    /// Puts the old data back and the history's bytes, and drops the journal.
    /// Nothing when all is as before the run; otherwise what went wrong and
    /// where the data is now (the journal then stays for the next start).
    std::optional<std::wstring> roll_back() noexcept;

private:
    bool exists(const std::wstring& path);
    std::wstring set_aside_path() const { return folder_ + L"\\" + journal_.set_aside; }
    void save_journal();
    bool old_data_aside();
    /// Whether the history is gone or holds other bytes than before the run.
    bool history_changed();
    void restore_history();
    void remove_what_was_added_beside();
    std::wstring where_things_are() noexcept;

    runtime::FileSystem& files_;
    std::wstring folder_, data_, history_, archive_, journal_path_;
    Journal journal_;
    std::optional<std::set<std::wstring>> beside_before_;
    bool open_ = false;  // a journal of this run is on disk and not yet settled
};

}  // namespace catalogue_update
