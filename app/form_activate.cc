#include "app/catalogue_lookup.h"
#include "app/form1.h"
#include "runtime/run_time_error.h"

void Form1::Form_Activate() {
    using namespace runtime::msgbox;

    const std::wstring windows_folder = os_.shell.windows_folder();
    const std::wstring delivery_folder = os_.shell.application_folder();

    // The libraries go to the system folder unconditionally, replacing older copies.
    for (const wchar_t* library : {L"\\zip32.dll", L"\\UNZIP32.DLL"}) {
        const std::wstring copy = windows_folder + L"\\system32" + library;
        os_.files.copy_file(delivery_folder + library, copy);
        os_.log.event(L"Libreria copiata: " + delivery_folder + library + L" in " + copy);
    }

    correzione_path(catalogue_lookup::padded_working_folder(os_, installation_folder_));

    os_.dialogs.message_box(L"Patch installata con successo!", ok_only | information, runtime::kTitle);
    throw runtime::EndProgram{runtime::exit_code::installed};
}
