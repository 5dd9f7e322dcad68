#include <optional>

#include "app/form1.h"
#include "app/installation_folder.h"
#include "runtime/run_time_error.h"
#include "unzip/zip.h"

namespace {

constexpr std::int16_t kPatchNumber = 7;

/// The history file as it was before this run recorded the patch, so that a
/// failed update can take the record back: a patch that was not installed must
/// not be refused later as already installed.
class HistoryUndo {
public:
    HistoryUndo(runtime::FileSystem& files, const std::wstring& path) : files_(files), path_(path) {
        // A file that cannot be read here is refused by the history check itself.
        if (files.dir(path, runtime::attribute::normal).empty()) return;
        try {
            before_ = files.read_file(path);
        } catch (const runtime::RunTimeError&) {
        }
    }
    void restore() {
        if (before_) files_.write_file(path_, *before_);
    }

private:
    runtime::FileSystem& files_;
    std::wstring path_;
    std::optional<std::string> before_;
};

/// Why the update did not happen, as the user reads it.
struct UpdateFailed {
    std::wstring reason;
};

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
    const std::wstring data_folder = folder + L"\\catalogo";
    const std::wstring archive = os_.shell.application_folder() + L"\\catalogo.zip";

    HistoryUndo undo(os_.files, history);
    controlla_file(history, kPatchNumber);

    try {
        if (os_.files.folder_exists(data_folder)) {
            try {
                os_.files.delete_folder(data_folder);
            } catch (const runtime::RunTimeError& error) {
                throw UpdateFailed{L"Impossibile eliminare la cartella " + data_folder + L".\n" +
                                   error.description()};
            }
        }

        zip::line_break = L"\r\n";
        zip::messages_text = L"";
        zip::listed_files = 0;
        zip::include_names[0] = std::nullopt;
        zip::exclude_names[0] = std::nullopt;
        try {
            zip::unzip_archive(os_.events, os_.unzip, os_.dialogs, archive, folder, 1, 1, 0, 1, 0, 0);
        } catch (const runtime::RunTimeError& error) {
            throw UpdateFailed{error.description()};
        }
        if (zip::unzip_result != 0)
            throw UpdateFailed{L"L'estrazione dell'archivio " + archive + L" in " + folder +
                               L" non è riuscita (codice " + std::to_wstring(zip::unzip_result) + L")."};
    } catch (const UpdateFailed& failure) {
        undo.restore();
        os_.dialogs.message_box(L"La patch non è stata installata.\n\n" + failure.reason +
                                    L"\n\nLo storico delle patch è stato ripristinato: si può eseguire di nuovo "
                                    L"l'installazione.",
                                runtime::msgbox::ok_only | runtime::msgbox::critical, runtime::kTitle);
        throw runtime::EndProgram{};
    }

    // The catalogue is updated: a failure here leaves the record in place.
    os_.files.delete_file(archive);
}
