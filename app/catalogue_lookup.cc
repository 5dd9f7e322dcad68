#include "app/catalogue_lookup.h"

#include <algorithm>
#include <vector>

#include "app/installation_folder.h"
#include "app/update_paths.h"
#include "runtime/run_time_error.h"
#include "shortcuts/module1.h"

namespace catalogue_lookup {

namespace {

using namespace runtime::msgbox;

const std::wstring kCatalogueMenuFolder = L"\\Varenkor Catalogo";
const std::wstring kCatalogueShortcut = L"\\Varenkor Catalogo\\Varenkor Catalogo.lnk";

[[noreturn]] void refuse(runtime::Os& os, const std::wstring& message) {
    os.dialogs.message_box(message, ok_only | critical, runtime::kTitle);
    throw runtime::EndProgram{runtime::exit_code::not_applicable};
}

/// The installation folder that correzione_path makes of a padded working
/// folder; empty when it would refuse it.
std::wstring folder_of(const std::wstring& padded) {
    const std::optional<std::wstring> cleaned = installation_folder::clean(padded);
    return cleaned ? installation_folder::repair(*cleaned) : std::wstring();
}

struct Found {
    std::wstring shortcut;
    std::wstring padded;
};

/// The shortcut of the Programs folder that has the catalogue's menu folder.
std::optional<Found> look_in(runtime::Os& os, const std::wstring& programs, const std::wstring& whose) {
    if (programs.empty() || !Module1::esiste_cartella(os.files, programs + kCatalogueMenuFolder)) {
        os.log.event(L"Nessun catalogo nel menu Start " + whose + L" (" + programs + L")");
        return std::nullopt;
    }
    Found found{programs + kCatalogueShortcut, Module1::cartella_lavoro(os.shell, programs + kCatalogueShortcut)};
    os.log.event(L"Catalogo trovato nel menu Start " + whose + L": " + found.shortcut + L"; cartella di installazione \"" +
                 folder_of(found.padded) + L"\"");
    return found;
}

/// Every profile's Programs folder, asked only when neither the user's nor all
/// users' has the catalogue: one folder, several, or none.
std::optional<Found> look_in_profiles(runtime::Os& os) {
    std::vector<std::wstring> programs_folders;
    try {
        programs_folders = os.shell.profile_programs_folders();
    } catch (const runtime::RunTimeError& error) {
        os.log.event(L"Impossibile elencare i profili degli utenti: " + error.description());
    }
    std::vector<Found> found;
    for (const std::wstring& programs : programs_folders)
        if (auto one = look_in(os, programs, L"del profilo")) found.push_back(std::move(*one));
    if (found.empty()) return std::nullopt;

    std::vector<std::wstring> folders;
    for (const Found& one : found) {
        const std::wstring folder = folder_of(one.padded);
        if (folder.empty()) continue;
        const auto same = [&](const std::wstring& f) { return catalogue_update::same_name(f, folder); };
        if (std::none_of(folders.begin(), folders.end(), same)) folders.push_back(folder);
    }
    if (folders.size() > 1) {
        std::wstring list;
        for (const std::wstring& folder : folders) list += folder + L"\n";
        refuse(os, L"Il catalogo risulta installato in più cartelle:\n\n" + list +
                       L"\nNon è stato modificato nulla. Indicare la cartella da aggiornare con l'opzione /dir, "
                       L"per esempio:\ninstalla_patch.exe /dir \"" + folders.front() + L"\"");
    }
    // One folder, or only shortcuts without one: the first of those then
    // meets the same refusal as the user's own broken shortcut.
    for (const Found& one : found)
        if (folders.empty() || catalogue_update::same_name(folder_of(one.padded), folders.front())) return one;
    return found.front();
}

std::wstring without_trailing_separators(std::wstring folder) {
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
}

}  // namespace

std::wstring padded_working_folder(runtime::Os& os, const std::optional<std::wstring>& chosen_folder) {
    if (chosen_folder) {
        const std::wstring folder = without_trailing_separators(*chosen_folder);
        if (!os.files.folder_exists(folder)) refuse(os, L"La cartella indicata con /dir non esiste: " + folder);
        os.log.event(L"Cartella di installazione indicata con /dir: " + folder);
        // The form the shortcut reader gives, which correzione_path expects.
        return folder + L'\0';
    }

    std::optional<Found> found = look_in(os, os.shell.programs_folder(), L"dell'utente");
    if (!found) {
        try {
            found = look_in(os, os.shell.all_users_programs_folder(), L"di tutti gli utenti");
        } catch (const runtime::RunTimeError& error) {
            os.log.event(L"Impossibile leggere il menu Start di tutti gli utenti: " + error.description());
        }
    }
    if (!found) found = look_in_profiles(os);
    if (!found) refuse(os, L"Non hai installato il catalogo. La patch non può essere creata");
    return found->padded;
}

}  // namespace catalogue_lookup
