#include "app/run_to_end.h"

int run_to_end(Form1& form, runtime::Dialogs& dialogs) {
    try {
        form.Form_Activate();
    } catch (const runtime::EndProgram& end) {
        return end.exit_code;
    } catch (...) {
        runtime::report_run_time_error(dialogs, runtime::RunTimeError::from_current_exception());
    }
    return runtime::exit_code::failed;
}

void log_start(runtime::Log& log, const RunStart& start) {
    log.event(L"Installazione della patch 7 del Varenkor Catalogo, versione " + start.version);
    log.event(L"Riga di comando: " + start.command_line);
    log.event(L"Account: " + start.account);
    log.event(start.library_search_limited
                  ? L"Librerie cercate solo nella cartella di sistema"
                  : L"Impossibile limitare alla cartella di sistema la ricerca delle librerie");
}

int another_run_in_progress(runtime::Dialogs& dialogs) {
    dialogs.message_box(L"L'installazione di questa patch è già in corso.",
                        runtime::msgbox::ok_only | runtime::msgbox::information, runtime::kTitle);
    return runtime::exit_code::already_running;
}

std::wstring outcome_of(int exit_code) {
    namespace code = runtime::exit_code;
    switch (exit_code) {
        case code::installed: return L"patch installata";
        case code::failed: return L"patch non installata";
        case code::already_running: return L"un'altra installazione della patch è in corso";
        case code::already_installed: return L"patch già installata";
        case code::not_applicable: return L"rifiutata: manca il catalogo o la patch precedente";
        case code::invalid_command_line: return L"riga di comando non valida";
        default: return L"conclusa";
    }
}

void log_end(runtime::Log& log, const std::wstring& outcome, int exit_code) {
    log.event(L"Fine: " + outcome + L" (codice di uscita " + std::to_wstring(exit_code) + L")");
}
