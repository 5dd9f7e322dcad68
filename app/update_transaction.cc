#include "app/update_transaction.h"

#include <utility>

#include "app/update_failed.h"
#include "app/update_paths.h"
#include "history/history_reader.h"
#include "runtime/run_time_error.h"
#include "runtime/text.h"

namespace catalogue_update {

namespace {

// Inside the copies folder: each copy is written here first, then renamed to
// its place, so that a copy cut short is never taken for a whole one.
const std::wstring kCopyInProgress = L"copia-in-corso";

std::wstring reason_of_current_exception() {
    try {
        throw;
    } catch (const UpdateFailed& failure) {
        return failure.reason;
    } catch (...) {
        return runtime::RunTimeError::from_current_exception().description();
    }
}

/// Whether `now` is `before` with part of `record` appended: an append cut
/// short by a power cut may have written only some of its bytes, or none
/// (read back as zeros), though the file grew.
bool part_of_the_record_appended(const std::string& before, const std::string& record, const std::string& now) {
    if (now.size() > before.size() + record.size() || now.compare(0, before.size(), before) != 0) return false;
    for (std::size_t i = before.size(); i < now.size(); ++i)
        if (now[i] != record[i - before.size()] && now[i] != '\0') return false;
    return true;
}

/// Whether `now` is what a rewrite of `history` in place leaves when it is cut
/// short, as earlier releases rolled back: the file emptied, then part of
/// the bytes written, or their room only (zeros).
bool history_rewrite_cut_short(const std::string& history, const std::string& now) {
    if (now.size() > history.size()) return false;
    for (std::size_t i = 0; i < now.size(); ++i)
        if (now[i] != history[i] && now[i] != '\0') return false;
    return true;
}

}  // namespace

Transaction::Transaction(runtime::FileSystem& files, runtime::Dialogs& dialogs, runtime::Log& log,
                         const std::wstring& folder, const std::wstring& archive)
    : files_(files),
      dialogs_(dialogs),
      log_(log),
      folder_(folder),
      data_(path(std::wstring(kDataFolder))),
      history_(path(std::wstring(kHistory))),
      archive_(archive),
      journal_path_(path(std::wstring(kJournal))) {}

Transaction::~Transaction() { roll_back(); }

bool Transaction::exists(const std::wstring& path) { return files_.path_exists(path); }

void Transaction::run(Steps& steps) {
    settle_earlier_run();
    steps.check_history();
    log_.event(L"Storico delle patch verificato: " + history_);

    // Everything that can refuse the update is asked before anything changes.
    Plan plan;
    try {
        plan = plan_update(files_, folder_, archive_, steps.list_archive());
        log_.event(L"Archivio " + archive_ + L": " + std::to_wstring(plan.data.size()) + L" voci nella cartella " +
                   data_ + L", " + std::to_wstring(plan.beside.size()) + L" percorsi accanto");
        if (!plan.set_aside.empty()) files_.ensure_removable(data_);
        begin(plan, steps.patch_record());
        log_.event(L"Giornale dell'aggiornamento scritto: " + journal_path_);
    } catch (const runtime::EndProgram&) {
        throw;
    } catch (...) {
        // Once the journal is written (the old history's copy may not fit on
        // the disk), it is rolled back too.
        const std::wstring reason = reason_of_current_exception();
        report_not_installed(reason, roll_back());
    }

    try {
        files_.append_file(history_, journal_.record);
        log_.event(L"Patch 7 registrata in " + history_);
        set_aside_old_data();
        copy_replaced_files();
        steps.extract();
        check_new_data(plan);
        flush_new_data(plan);
        commit();
        log_.event(L"Aggiornamento confermato: i nuovi dati sono su disco");
    } catch (const runtime::EndProgram&) {
        roll_back();
        throw;
    } catch (...) {
        const std::wstring reason = reason_of_current_exception();
        report_not_installed(reason, roll_back());
    }
    if (const auto leftover = clean_up()) report_leftover(*leftover);
}

// --- A run that was cut short ---------------------------------------------------

// A run cut short while it wrote its journal leaves the bytes under one of the
// journal's temporary names: they are a journal's beginning, or nothing yet,
// and no run at work holds them.
void Transaction::remove_unfinished_journals() {
    for (unsigned n = 1; n <= runtime::kHeldFileTemporaries; ++n) {
        const std::wstring temporary = runtime::held_file_temporary(journal_path_, n);
        if (!exists(temporary)) continue;
        try {
            const auto left = files_.hold(temporary);
            if (!left || !Journal::begins_like_one(left->read())) continue;
            left->remove();
            log_.event(L"Eliminato il giornale incompleto di un'installazione interrotta: " + temporary);
        } catch (const runtime::RunTimeError& error) {
            log_.event(L"Giornale incompleto lasciato dov'è: " + error.description());
        }
    }
}

void Transaction::settle_earlier_run() {
    remove_unfinished_journals();
    if (!exists(journal_path_)) return;
    log_.event(L"Trovato il giornale di un'installazione interrotta: " + journal_path_);
    held_ = files_.hold(journal_path_);
    if (!held_) report_another_run();
    std::optional<Journal> journal;
    try {
        journal = Journal::parse(held_->read());
        if (!journal || !trustworthy(*journal)) throw UpdateFailed{};
    } catch (...) {
        held_.reset();
        report_untrusted_journal(journal);
    }
    journal_ = *journal;
    if (journal_.committed) {
        if (const auto leftover = clean_up()) report_leftover(*leftover);
        return;
    }
    open_ = true;
    if (const auto where = roll_back())
        report_not_installed(L"Un'installazione precedente di questa patch si è interrotta.", where);
}

// Nothing is done on the word of a journal that names anything this program
// does not write, under any name the disk has for it, or whose history is not
// the one patch.txt holds: it may be damaged, stale (a later patch has been
// installed since), or planted. A rollback that was cut short while it put
// the history back may have left patch.txt torn; the journal holds its bytes.
bool Transaction::trustworthy(const Journal& journal) {
    if (!journal.well_formed() || files_.dir(history_, runtime::attribute::normal).empty()) return false;
    for (const Written& w : journal.written)
        if (!beside_data(on_disk(files_, folder_, w.path))) return false;
    for (const std::wstring* own : {&journal.set_aside, &journal.copies, &journal.restore})
        if (!same_name(on_disk(files_, folder_, *own), *own)) return false;
    const std::string now = files_.read_file(history_);
    return part_of_the_record_appended(journal.history, journal.record, now) ||
           (!journal.committed && history_rewrite_cut_short(journal.history, now));
}

// --- The update ---------------------------------------------------------------------

void Transaction::begin(const Plan& plan, std::string record) {
    journal_ = Journal{false,     plan.set_aside,           plan.copies,       archive_,
                       plan.beside, files_.read_file(history_), std::move(record), plan.restore};
    held_ = files_.create_held(journal_path_, journal_.serialize());
    if (!held_) report_another_run();
    open_ = true;
    // Written now, while there is room: a rollback on a full disk only renames it.
    files_.create_file(path(journal_.restore), journal_.history);
}

void Transaction::set_aside_old_data() {
    if (journal_.set_aside.empty()) return;
    files_.move(data_, path(journal_.set_aside));
    log_.event(L"Dati precedenti spostati in " + path(journal_.set_aside));
}

void Transaction::copy_replaced_files() {
    for (const Written& written : journal_.written) {
        if (written.kind != Written::Kind::replaced || !exists(path(written.path))) continue;
        // The copy's folders, from the copies folder down.
        const std::wstring copy = copy_of(journal_, written.path);
        for (std::size_t at = 0; (at = copy.find(L'\\', at + 1)) != std::wstring::npos;)
            if (!files_.folder_exists(path(copy.substr(0, at)))) files_.make_folder(path(copy.substr(0, at)));
        const std::wstring in_progress = path(journal_.copies + L"\\" + kCopyInProgress);
        files_.copy_exactly(path(written.path), in_progress);
        files_.move(in_progress, path(copy));
        log_.event(L"Copia di " + path(written.path) + L" conservata in " + path(copy));
    }
}

void Transaction::check_new_data(const Plan& plan) {
    for (const std::wstring& entry : plan.data)
        if (!exists(path(entry)))
            throw UpdateFailed{L"L'estrazione dell'archivio " + archive_ + L" non ha scritto " + path(entry) + L"."};
}

// The old data goes only once the new is on the disk: after a power cut, a
// file written but not flushed may read back as zeros.
void Transaction::flush_new_data(const Plan& plan) {
    if (files_.flush_volume(folder_)) return;
    log_.event(L"Impossibile scrivere su disco l'intero volume: i file estratti vi sono scritti uno a uno");
    for (const std::wstring& file : plan.files)
        if (exists(path(file)) && !files_.folder_exists(path(file))) files_.flush_file(path(file));
}

void Transaction::commit() {
    journal_.committed = true;
    try {
        held_->rewrite(journal_.serialize());
    } catch (...) {
        journal_.committed = false;
        throw;
    }
    open_ = false;
}

std::optional<std::wstring> Transaction::clean_up() noexcept {
    try {
        if (old_data_aside()) {
            files_.remove_tree(path(journal_.set_aside));
            log_.event(L"Dati precedenti eliminati: " + path(journal_.set_aside));
        }
        remove_copies();
        remove_restore();
        for (const Written& written : journal_.written)
            if (written.kind == Written::Kind::temporary) undo(written);
    } catch (...) {
        // The journal stays: the next start finishes the cleanup.
        return logged(runtime::RunTimeError::from_current_exception().description());
    }
    try {
        // Only the archive this run was given: the journal's word is not enough.
        if (same_name(journal_.archive, archive_) && exists(archive_)) {
            files_.delete_file(archive_);
            log_.event(L"Archivio eliminato: " + archive_);
        }
    } catch (...) {
        // A read-only archive or medium: the update stands all the same.
        log_.event(L"Archivio non eliminato: " + runtime::RunTimeError::from_current_exception().description());
    }
    try {
        held_->remove();
        held_.reset();
        log_.event(L"Pulizia completata");
        return std::nullopt;
    } catch (...) {
        return logged(runtime::RunTimeError::from_current_exception().description());
    }
}

// --- The rollback ---------------------------------------------------------------------

std::optional<std::wstring> Transaction::roll_back() noexcept {
    if (!std::exchange(open_, false)) return std::nullopt;
    try {
        // The history first: whatever is left to undo, the patch is no longer
        // recorded. Its old bytes, kept beside it, take its place in one step.
        if (history_differs()) {
            const std::wstring restore =
                journal_.restore.empty() ? free_name(files_, folder_, kRestore) : journal_.restore;
            if (!exists(path(restore)) || files_.read_file(path(restore)) != journal_.history) {
                if (exists(path(restore))) files_.remove_tree(path(restore));
                files_.create_file(path(restore), journal_.history);
            }
            files_.move(path(restore), history_);
        }
        // While the old data is aside, what stands at its place is the new data;
        // with no old data at all, so is anything there now.
        if (old_data_aside() || journal_.set_aside.empty()) {
            if (files_.folder_exists(data_)) files_.remove_tree(data_);
            if (!journal_.set_aside.empty()) files_.move(path(journal_.set_aside), data_);
        }
        // Beside the data, only what the journal lists, the last first: a file
        // before its folder. What anyone else saved meanwhile stays.
        for (auto written = journal_.written.rbegin(); written != journal_.written.rend(); ++written) undo(*written);
        remove_copies();
        remove_restore();
        held_->remove();
        held_.reset();
        log_.event(L"Aggiornamento annullato: storico e dati come prima");
        return std::nullopt;
    } catch (...) {
        return logged(runtime::RunTimeError::from_current_exception().description() + L".\n" + where_things_are());
    }
}

void Transaction::undo(const Written& written) {
    const std::wstring target = path(written.path);
    switch (written.kind) {
        case Written::Kind::new_file:
        case Written::Kind::temporary:
            if (exists(target) && !files_.folder_exists(target)) files_.remove_tree(target);
            break;
        case Written::Kind::new_folder:
            files_.remove_empty_folder(target);
            break;
        case Written::Kind::replaced: {
            const std::wstring copy = path(copy_of(journal_, written.path));
            if (!exists(copy)) break;  // not copied yet, or already back
            if (exists(target) && !files_.folder_exists(target)) files_.remove_tree(target);
            files_.move(copy, target);
            break;
        }
    }
}

// The copies, then their folders when nothing else is in them.
void Transaction::remove_copies() {
    if (journal_.copies.empty() || !files_.folder_exists(path(journal_.copies))) return;
    const std::wstring in_progress = path(journal_.copies + L"\\" + kCopyInProgress);
    if (exists(in_progress)) files_.remove_tree(in_progress);
    for (auto written = journal_.written.rbegin(); written != journal_.written.rend(); ++written) {
        if (written->kind != Written::Kind::replaced) continue;
        std::wstring copy = copy_of(journal_, written->path);
        if (exists(path(copy))) files_.remove_tree(path(copy));
        while ((copy = parent_of(copy)) != journal_.copies) files_.remove_empty_folder(path(copy));
    }
    files_.remove_empty_folder(path(journal_.copies));
}

// The history's restore is this run's when the journal names it: its name was
// free before the run.
void Transaction::remove_restore() {
    if (!journal_.restore.empty() && exists(path(journal_.restore))) files_.remove_tree(path(journal_.restore));
}

bool Transaction::old_data_aside() { return !journal_.set_aside.empty() && exists(path(journal_.set_aside)); }

bool Transaction::history_differs() {
    return files_.dir(history_, runtime::attribute::normal).empty() || files_.read_file(history_) != journal_.history;
}

bool Transaction::history_records_the_patch() noexcept {
    try {
        const std::wstring text = runtime::from_ansi(files_.read_file(history_));
        history::LineReader lines(text);
        for (std::wstring_view line; lines.next(line);)
            if (runtime::trim_spaces(history::number_column(line)) == L"7") return true;
    } catch (...) {
    }
    return false;
}

std::wstring Transaction::where_things_are() noexcept {
    const std::wstring next_time = L"Il ripristino sarà completato alla prossima esecuzione dell'installazione.";
    try {
        std::wstring text;
        if (history_differs())
            text += L"Il file " + history_ + L" registra ancora la patch 7: lo storico precedente è conservato nel file " +
                    journal_path_ + L".\n";
        if (old_data_aside())
            text += L"I dati precedenti del catalogo sono nella cartella " + path(journal_.set_aside) + L".\n";
        if (!journal_.copies.empty() && files_.folder_exists(path(journal_.copies)))
            text += L"I file sostituiti dall'archivio sono conservati nella cartella " + path(journal_.copies) + L".\n";
        return text + next_time;
    } catch (...) {
        return L"Ciò che serve al ripristino è descritto nel file " + journal_path_ + L". " + next_time;
    }
}

// --- What the user is told -----------------------------------------------------------

std::wstring Transaction::logged(const std::wstring& problem) noexcept {
    try {
        log_.event(L"Non riuscito: " + problem);
    } catch (...) {
    }
    return problem;
}

void Transaction::report_not_installed(const std::wstring& reason, const std::optional<std::wstring>& where) {
    std::wstring text = L"La patch non è stata installata.\n\n" + reason + L"\n\n";
    text += where ? L"Non è stato possibile ripristinare il catalogo: " + *where
                  : L"Il catalogo e lo storico delle patch sono come prima: si può eseguire di nuovo "
                    L"l'installazione.";
    dialogs_.message_box(text, runtime::msgbox::ok_only | runtime::msgbox::critical, runtime::kTitle);
    throw runtime::EndProgram{runtime::exit_code::failed};
}

// Says what the disk shows, without acting on it, and what the user can do.
void Transaction::report_untrusted_journal(const std::optional<Journal>& journal) {
    std::wstring set_aside = path(std::wstring(kSetAside));
    if (journal && numbered(journal->set_aside, kSetAside)) set_aside = path(journal->set_aside);
    bool aside = false, recorded = false;
    try {
        aside = files_.folder_exists(set_aside);
        recorded = history_records_the_patch();
    } catch (...) {
    }
    std::wstring text = L"La patch non è stata installata.\n\nIl file " + journal_path_ +
                        L" descrive un'installazione di questa patch che non si è conclusa, ma è danneggiato o non "
                        L"corrisponde al catalogo: per non perdere dati, l'installazione non ha modificato nulla.\n\n";
    text += L"Il file " + history_ + (recorded ? L" registra la patch 7." : L" non registra la patch 7.");
    if (aside) text += L" La cartella " + set_aside + L" contiene i dati del catalogo precedenti alla patch.";
    text += L"\n\nPer ripristinare il catalogo: ";
    if (aside) text += L"sostituire la cartella " + data_ + L" con la cartella " + set_aside + L", ";
    if (recorded) text += L"togliere da " + history_ + L" la riga della patch 7, ";
    // The journal may be the only copy of the old history: it is kept, out of the way.
    text += L"spostare il file " + journal_path_ + L" in un'altra cartella, senza eliminarlo: in fondo conserva lo "
            L"storico delle patch com'era prima dell'installazione; poi eseguire di nuovo l'installazione.";
    dialogs_.message_box(text, runtime::msgbox::ok_only | runtime::msgbox::critical, runtime::kTitle);
    throw runtime::EndProgram{runtime::exit_code::failed};
}

void Transaction::report_another_run() {
    held_.reset();
    dialogs_.message_box(L"L'installazione di questa patch è già in corso.",
                         runtime::msgbox::ok_only | runtime::msgbox::information, runtime::kTitle);
    throw runtime::EndProgram{runtime::exit_code::already_running};
}

void Transaction::report_leftover(const std::wstring& problem) {
    dialogs_.message_box(L"La patch è installata, ma la pulizia non è finita: " + problem +
                             L".\nLa prossima esecuzione dell'installazione la completerà.",
                         runtime::msgbox::ok_only | runtime::msgbox::information, runtime::kTitle);
}

}  // namespace catalogue_update
