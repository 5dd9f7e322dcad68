#include <optional>

#include "app/extraction_failure.h"
#include "app/form1.h"
#include "app/installation_folder.h"
#include "app/update_transaction.h"
#include "runtime/run_time_error.h"
#include "unzip/zip.h"

namespace {

constexpr std::int16_t kPatchNumber = 7;

/// Why the update did not happen, as the user reads it.
struct UpdateFailed {
    std::wstring reason;
};

std::wstring reason_of_current_exception() {
    try {
        throw;
    } catch (const UpdateFailed& failure) {
        return failure.reason;
    } catch (...) {
        return runtime::RunTimeError::from_current_exception().description();
    }
}

/// Tells that the patch was not installed and why, and whether everything is
/// as it was or, when putting it back failed, where things are; then ends.
[[noreturn]] void report_not_installed(runtime::Dialogs& dialogs, const std::wstring& reason,
                                       const std::optional<std::wstring>& restore_problem) {
    std::wstring text = L"La patch non è stata installata.\n\n" + reason + L"\n\n";
    text += restore_problem ? L"Non è stato possibile ripristinare il catalogo: " + *restore_problem
                            : L"Il catalogo e lo storico delle patch sono come prima: si può eseguire di nuovo "
                              L"l'installazione.";
    dialogs.message_box(text, runtime::msgbox::ok_only | runtime::msgbox::critical, runtime::kTitle);
    throw runtime::EndProgram{runtime::exit_code::failed};
}

}  // namespace

void Form1::correzione_path(const std::wstring& Path) {
    const std::optional<std::wstring> cleaned = installation_folder::clean(Path);
    // An empty folder would make every path below relative to the drive's root.
    if (!cleaned || cleaned->empty())
        throw runtime::RunTimeError(runtime::error_number::invalid_procedure_call,
                                    L"Impossibile leggere la cartella di installazione del catalogo dal suo "
                                    L"collegamento nel menu Start");
    const std::wstring folder = installation_folder::repair(*cleaned);
    const std::wstring history = folder + L"\\patch.txt";
    const std::wstring archive = os_.shell.application_folder() + L"\\catalogo.zip";

    catalogue_update::Transaction update(os_.files, folder, archive);
    if (const auto problem = update.recover())
        report_not_installed(os_.dialogs, L"Un'installazione precedente di questa patch si è interrotta.", problem);

    update.begin();
    try {
        controlla_file(history, kPatchNumber);
    } catch (const runtime::EndProgram&) {
        update.abandon();  // a refusal: the data was not touched
        throw;
    }

    try {
        if (os_.files.dir(archive, runtime::attribute::hidden | runtime::attribute::system).empty())
            throw UpdateFailed{L"L'archivio " + archive + L" non è stato trovato."};
        update.set_aside_old_data();

        zip::line_break = L"\r\n";
        zip::messages_text = L"";
        zip::listed_files = 0;
        zip::include_names[0] = std::nullopt;
        zip::exclude_names[0] = std::nullopt;
        zip::unzip_archive(os_.events, os_.unzip, os_.dialogs, archive, folder, 1, 1, 0, 1, 0, 0);
        if (zip::unzip_result != 0)
            throw UpdateFailed{extraction_failure(zip::unzip_result, archive, folder, zip::messages_text)};
        update.commit();
    } catch (...) {
        const std::wstring reason = reason_of_current_exception();
        report_not_installed(os_.dialogs, reason, update.roll_back());
    }
    update.clean_up();
}
