#include <optional>

#include "app/extraction_failure.h"
#include "app/form1.h"
#include "app/installation_folder.h"
#include "app/update_failed.h"
#include "app/update_transaction.h"
#include "runtime/run_time_error.h"
#include "runtime/text.h"
#include "unzip/zip.h"

namespace {

constexpr std::int16_t kPatchNumber = 7;

using catalogue_update::UpdateFailed;

/// A path as the unzip library can be given it: single-byte text in the ANSI
/// code page. A path with characters outside it goes by its short form.
std::wstring for_the_library(runtime::FileSystem& files, const std::wstring& path) {
    const auto survives = [](const std::wstring& p) { return runtime::from_ansi(runtime::to_ansi(p)) == p; };
    if (survives(path)) return path;
    const std::wstring short_form = files.short_path(path);
    if (!short_form.empty() && survives(short_form)) return short_form;
    throw UpdateFailed{L"Il percorso " + path +
                       L" contiene caratteri che la libreria di estrazione non può ricevere, e non ha un nome breve "
                       L"che li eviti."};
}

/// The patch's own steps of the update: the history, and the archive through
/// the zip module.
class PatchSteps : public catalogue_update::Steps {
public:
    PatchSteps(Form1& form, runtime::Os& os, const std::wstring& folder, const std::wstring& archive)
        : form_(form), os_(os), folder_(folder), history_(folder + L"\\patch.txt"), archive_(archive) {}

    void check_history() override { form_.controlla_file(history_, kPatchNumber); }

    std::vector<zip::ListedEntry> list_archive() override {
        if (os_.files.dir(archive_, runtime::attribute::hidden | runtime::attribute::system).empty())
            throw UpdateFailed{L"L'archivio " + archive_ + L" non è stato trovato."};
        library_archive_ = for_the_library(os_.files, archive_);
        library_folder_ = for_the_library(os_.files, folder_);
        std::vector<zip::ListedEntry> entries;
        const zip::ScopedEntryCollector collector(entries);
        unzip(0, 0, 1);
        return entries;
    }

    std::string patch_record() override { return form_.riga_della_patch(history_, kPatchNumber); }

    void extract() override {
        try {
            unzip(1, 1, 0);
        } catch (...) {
            log_messages();
            throw;
        }
        log_messages();
    }

private:
    void unzip(std::int16_t prompt, std::int16_t overwrite, std::int16_t list_only) {
        zip::line_break = L"\r\n";
        zip::messages_text = L"";
        zip::listed_files = 0;
        zip::include_names[0] = std::nullopt;
        zip::exclude_names[0] = std::nullopt;
        zip::unzip_archive(os_.events, os_.unzip, os_.dialogs, library_archive_, library_folder_, prompt, overwrite,
                           list_only, 1, 0, 0);
        if (zip::unzip_result != 0)
            throw UpdateFailed{extraction_failure(zip::unzip_result, archive_, folder_, zip::messages_text)};
    }

    /// What the library printed (each file written, each problem), a line an event.
    void log_messages() {
        for (const std::wstring& line : printed_lines(zip::messages_text))
            os_.log.event(L"Libreria di estrazione: " + line);
    }

    Form1& form_;
    runtime::Os& os_;
    std::wstring folder_, history_, archive_, library_archive_, library_folder_;
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
    const std::wstring archive = os_.shell.application_folder() + L"\\catalogo.zip";

    PatchSteps steps(*this, os_, folder, archive);
    catalogue_update::Transaction update(os_.files, os_.dialogs, os_.log, folder, archive);
    update.run(steps);
}
