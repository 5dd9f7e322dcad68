#include "app/form1.h"
#include "runtime/run_time_error.h"
#include "shortcuts/module1.h"

namespace {
const std::wstring kCatalogueMenuFolder = L"\\Varenkor Catalogo";
const std::wstring kCatalogueShortcut = L"\\Varenkor Catalogo\\Varenkor Catalogo.lnk";
}  // namespace

void Form1::Form_Activate() {
    using namespace runtime::msgbox;

    const std::wstring windows_folder = os_.shell.windows_folder();
    const std::wstring delivery_folder = os_.shell.application_folder();

    // The libraries go to the system folder unconditionally, replacing older copies.
    os_.files.copy_file(delivery_folder + L"\\zip32.dll", windows_folder + L"\\system32\\zip32.dll");
    os_.files.copy_file(delivery_folder + L"\\UNZIP32.DLL", windows_folder + L"\\system32\\UNZIP32.DLL");

    const std::wstring programs_folder = os_.shell.programs_folder();
    if (!Module1::esiste_cartella(os_.files, programs_folder + kCatalogueMenuFolder)) {
        os_.dialogs.message_box(L"Non hai installato il catalogo. La patch non può essere creata",
                                ok_only | critical, runtime::kTitle);
        throw runtime::EndProgram{runtime::exit_code::not_applicable};
    }

    const std::wstring working_folder = Module1::cartella_lavoro(os_.shell, programs_folder + kCatalogueShortcut);
    correzione_path(working_folder);

    os_.dialogs.message_box(L"Patch installata con successo!", ok_only | information, runtime::kTitle);
    throw runtime::EndProgram{runtime::exit_code::installed};
}
