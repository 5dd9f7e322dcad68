#pragma once
// The run around the activation sequence: what the log says first and last,
// and the ends that come before the catalogue is looked for.
#include <string>

#include "app/form1.h"
#include "runtime/dialogs.h"
#include "runtime/log.h"

/// Runs the activation sequence to the end of the program: the end signal stops
/// it quietly, a run-time error that reaches this point is shown in the
/// run-time error report. Returns the program's exit code (runtime::exit_code).
int run_to_end(Form1& form, runtime::Dialogs& dialogs);

/// What the log says first: which program, started how and by whom.
struct RunStart {
    std::wstring version;
    std::wstring command_line;
    std::wstring account;
    /// Whether libraries are looked for in the system folder alone.
    bool library_search_limited = false;
};
void log_start(runtime::Log& log, const RunStart& start);

/// A second start while a run is in progress: says so and gives the exit code.
int another_run_in_progress(runtime::Dialogs& dialogs);

/// The outcome that an exit code of the patch run stands for.
std::wstring outcome_of(int exit_code);

/// The last line of the log: the outcome and the exit code.
void log_end(runtime::Log& log, const std::wstring& outcome, int exit_code);
