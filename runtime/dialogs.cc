#include "runtime/dialogs.h"

namespace runtime {

void report_run_time_error(Dialogs& dialogs, const RunTimeError& error) {
    dialogs.message_box(L"Errore di run-time '" + std::to_wstring(error.number()) + L"':\n\n" +
                            error.description(),
                        msgbox::ok_only | msgbox::critical, kTitle);
}

}  // namespace runtime
