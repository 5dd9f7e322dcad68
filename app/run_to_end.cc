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
