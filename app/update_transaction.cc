#include "app/update_transaction.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "runtime/run_time_error.h"

namespace catalogue_update {

namespace {

const std::wstring kDataFolder = L"catalogo";
const std::wstring kHistory = L"patch.txt";
const std::wstring kJournal = L"patch7.journal";
// The old data's place while the new data is written: a name the catalogue
// does not use, numbered when something of that name is there already.
const std::wstring kSetAside = L"catalogo.prima-della-patch-7";

/// Whether the relative `path` is `name` or lies below it.
bool within(const std::wstring& path, const std::wstring& name) {
    return path.compare(0, name.size(), name) == 0 && (path.size() == name.size() || path[name.size()] == L'\\');
}

constexpr int kAnyEntry = runtime::attribute::hidden | runtime::attribute::system | runtime::attribute::directory;

}  // namespace

Transaction::Transaction(runtime::FileSystem& files, const std::wstring& folder, const std::wstring& archive)
    : files_(files),
      folder_(folder),
      data_(folder + L"\\" + kDataFolder),
      history_(folder + L"\\" + kHistory),
      archive_(archive),
      journal_path_(folder + L"\\" + kJournal) {}

Transaction::~Transaction() { roll_back(); }

bool Transaction::exists(const std::wstring& path) { return !files_.dir(path, kAnyEntry).empty(); }

std::optional<std::wstring> Transaction::recover() {
    // A journal that was never completed: its run had not changed anything yet.
    const std::wstring unfinished = journal_path_ + L".tmp";
    if (exists(unfinished)) files_.delete_file(unfinished);
    if (!exists(journal_path_)) return std::nullopt;

    const auto journal = Journal::parse(files_.read_file(journal_path_));
    if (!journal)
        return L"il file " + journal_path_ +
               L", che descrive un'installazione interrotta, è danneggiato. Il catalogo non è stato modificato.";
    journal_ = *journal;
    if (journal_.committed) {
        clean_up();
        return std::nullopt;
    }
    open_ = true;
    return roll_back();
}

void Transaction::begin() {
    if (files_.dir(history_, runtime::attribute::normal).empty()) return;
    journal_ = Journal{false, L"", archive_, files_.read_file(history_)};
    if (files_.folder_exists(data_)) {
        journal_.set_aside = kSetAside;
        for (int n = 2; exists(set_aside_path()); ++n) journal_.set_aside = kSetAside + L"." + std::to_wstring(n);
    }
    save_journal();
    open_ = true;
}

void Transaction::abandon() {
    if (!std::exchange(open_, false)) return;
    try {
        files_.delete_file(journal_path_);
    } catch (const runtime::RunTimeError&) {
        // The next start rolls back a run that changed nothing: no harm done.
    }
}

void Transaction::set_aside_old_data() {
    beside_before_.emplace();
    for (const std::wstring& path : files_.list_tree(folder_))
        if (!within(path, kDataFolder)) beside_before_->insert(path);
    if (journal_.set_aside.empty()) return;
    files_.ensure_removable(data_);
    files_.move(data_, set_aside_path());
}

void Transaction::commit() {
    journal_.committed = true;
    try {
        save_journal();
    } catch (...) {
        journal_.committed = false;  // the journal on disk still says begun: roll back
        throw;
    }
    open_ = false;
}

void Transaction::clean_up() noexcept {
    try {
        if (old_data_aside()) files_.delete_folder(set_aside_path());
        try {
            if (exists(journal_.archive)) files_.delete_file(journal_.archive);
        } catch (const runtime::RunTimeError&) {
            // A read-only archive or medium: the update stands all the same.
        }
        files_.delete_file(journal_path_);
    } catch (...) {
        // What is left, the next start deletes.
    }
}

std::optional<std::wstring> Transaction::roll_back() noexcept {
    if (!std::exchange(open_, false)) return std::nullopt;
    try {
        // While the old data is aside, whatever stands at its place is new; with
        // no old data at all, so is anything there now. Each step can be redone.
        const bool aside = old_data_aside();
        if ((aside || journal_.set_aside.empty()) && files_.folder_exists(data_)) files_.remove_tree(data_);
        if (aside) files_.move(set_aside_path(), data_);
        remove_what_was_added_beside();
        restore_history();
        files_.delete_file(journal_path_);
        return std::nullopt;
    } catch (...) {
        return runtime::RunTimeError::from_current_exception().description() + L".\n" + where_things_are();
    }
}

void Transaction::remove_what_was_added_beside() {
    if (!beside_before_) return;
    std::vector<std::wstring> added;
    for (const std::wstring& path : files_.list_tree(folder_))
        if (!beside_before_->count(path) && !within(path, kDataFolder))
            added.push_back(path);
    // A folder goes with what it holds, which then needs no removal of its own.
    std::sort(added.begin(), added.end());
    std::wstring removed_folder;
    for (const std::wstring& path : added) {
        if (!removed_folder.empty() && within(path, removed_folder)) continue;
        files_.remove_tree(folder_ + L"\\" + path);
        removed_folder = path;
    }
}

void Transaction::save_journal() {
    // Written whole beside it, then renamed over it: the journal on disk is
    // always one whole journal, the old one or the new one.
    const std::wstring temporary = journal_path_ + L".tmp";
    try {
        files_.write_file(temporary, journal_.serialize());
        files_.move(temporary, journal_path_);
    } catch (...) {
        try {
            if (exists(temporary)) files_.delete_file(temporary);
        } catch (...) {
        }
        throw;
    }
}

bool Transaction::old_data_aside() { return !journal_.set_aside.empty() && exists(set_aside_path()); }

bool Transaction::history_changed() {
    return files_.dir(history_, runtime::attribute::normal).empty() || files_.read_file(history_) != journal_.history;
}

void Transaction::restore_history() {
    // Written only where it differs: a history the run did not change keeps even its time.
    if (history_changed()) files_.write_file(history_, journal_.history);
}

std::wstring Transaction::where_things_are() noexcept {
    const std::wstring next_time = L"Il ripristino sarà completato alla prossima esecuzione dell'installazione.";
    try {
        std::wstring text;
        if (old_data_aside())
            text += L"I dati precedenti del catalogo sono nella cartella " + set_aside_path() + L".\n";
        if (history_changed())
            text += L"Lo storico delle patch precedente è conservato nel file " + journal_path_ + L".\n";
        return text + next_time;
    } catch (...) {
        return L"Ciò che serve al ripristino è descritto nel file " + journal_path_ + L". " + next_time;
    }
}

}  // namespace catalogue_update
