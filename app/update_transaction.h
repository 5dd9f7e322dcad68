#pragma once
// The catalogue update as one transaction. Before anything changes, a journal
// in the installation folder records what the run may write; the old data
// folder is set aside and the files beside it that the archive replaces are
// copied aside, not deleted, until the new data is complete and on the disk.
// Until then any failure, and the next start after a run that was cut short,
// rolls back exactly what the journal lists; afterwards the cleanup is the
// journal's too. The journal is held open for the whole run, so that a second
// run that reaches the same folder knows that this one is at work.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/update_journal.h"
#include "app/update_plan.h"
#include "runtime/dialogs.h"
#include "runtime/file_system.h"
#include "runtime/log.h"
#include "unzip/zip.h"

namespace catalogue_update {

/// What the update needs from the rest of the program, called in this order.
class Steps {
public:
    virtual ~Steps() = default;
    /// The history check; a refusal shows its message and ends the program.
    virtual void check_history() = 0;
    /// The archive's entries as the library lists them; raises UpdateFailed
    /// when the archive, or a path the library must be given, cannot be used.
    virtual std::vector<zip::ListedEntry> list_archive() = 0;
    /// The bytes that record the patch at the end of the history as it is now.
    virtual std::string patch_record() = 0;
    /// Extracts the archive into the installation folder; raises UpdateFailed
    /// when the library reports a failure.
    virtual void extract() = 0;
};

class Transaction {
public:
    /// The update of the data folder "catalogo" of `folder` from `archive`;
    /// each step is told to `log`.
    Transaction(runtime::FileSystem& files, runtime::Dialogs& dialogs, runtime::Log& log, const std::wstring& folder,
                const std::wstring& archive);
    /// Rolls back an update that was begun and not committed.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// The whole update, in this order: what an earlier run left is settled
    /// (its cleanup finished or its changes rolled back), the history is
    /// checked, then the archive and the old data; the journal is written;
    /// the patch recorded, the old data set aside, the replaced files copied,
    /// the archive extracted, the new data checked and flushed; the journal is
    /// marked committed; the cleanup follows. Returns once the patch is
    /// installed. Otherwise it tells the user why and where things are, and
    /// ends the program (runtime::EndProgram).
    void run(Steps& steps);

private:
    std::wstring path(const std::wstring& relative) const { return folder_ + L"\\" + relative; }
    bool exists(const std::wstring& path);

    void remove_unfinished_journals();
    void settle_earlier_run();
    bool trustworthy(const Journal& journal);
    void begin(const Plan& plan, std::string record);
    void set_aside_old_data();
    void copy_replaced_files();
    void check_new_data(const Plan& plan);
    void flush_new_data(const Plan& plan);
    void commit();
    /// What could not be deleted, when something could not.
    std::optional<std::wstring> clean_up() noexcept;
    /// Nothing when all is as before the run; otherwise what went wrong and
    /// where things are now (the journal then stays for the next start).
    std::optional<std::wstring> roll_back() noexcept;
    void undo(const Written& written);
    void remove_copies();
    void remove_restore();

    bool old_data_aside();
    bool history_differs();
    bool history_records_the_patch() noexcept;
    std::wstring where_things_are() noexcept;

    /// `problem`, told to the log on its way to the user.
    std::wstring logged(const std::wstring& problem) noexcept;
    [[noreturn]] void report_not_installed(const std::wstring& reason, const std::optional<std::wstring>& where);
    [[noreturn]] void report_untrusted_journal(const std::optional<Journal>& journal);
    [[noreturn]] void report_another_run();
    void report_leftover(const std::wstring& problem);

    runtime::FileSystem& files_;
    runtime::Dialogs& dialogs_;
    runtime::Log& log_;
    std::wstring folder_, data_, history_, archive_, journal_path_;
    Journal journal_;
    std::unique_ptr<runtime::FileSystem::HeldFile> held_;
    bool open_ = false;  // a journal of this run is on disk, neither committed nor rolled back
};

}  // namespace catalogue_update
