#include "app/run_to_end.h"

#include <new>

#include "runtime/text.h"

void run_to_end(Form1& form, runtime::Dialogs& dialogs) {
    namespace err = runtime::error_number;
    try {
        form.Form_Activate();
    } catch (const runtime::EndProgram&) {
    } catch (const runtime::RunTimeError& error) {
        runtime::report_run_time_error(dialogs, error);
    } catch (const std::bad_alloc&) {
        runtime::report_run_time_error(dialogs, runtime::RunTimeError(err::out_of_memory, L"Memoria esaurita"));
    } catch (const std::exception& error) {
        runtime::report_run_time_error(
            dialogs, runtime::RunTimeError(err::internal_error, L"Errore interno: " + runtime::from_utf8(error.what())));
    }
}
