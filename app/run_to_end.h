#pragma once
#include "app/form1.h"

/// Runs the activation sequence to the end of the program: the end signal stops
/// it quietly, a run-time error that reaches this point is shown in the
/// run-time error report. Returns the program's exit code (runtime::exit_code).
int run_to_end(Form1& form, runtime::Dialogs& dialogs);
