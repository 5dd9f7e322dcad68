// The installer's start: the one window, shown; its first activation runs the patch.
#include <windows.h>

#include "app/form1.h"
#include "app/form1_window-win32.h"
#include "app/run_to_end.h"
#include "app/single_run-win32.h"
#include "platform/clock-win32.h"
#include "platform/dialogs-win32.h"
#include "platform/file_system-win32.h"
#include "platform/scoped-win32.h"
#include "platform/shell-win32.h"
#include "platform/toolkit_libraries-win32.h"
#include "platform/unzip_library-win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    // Two runs at once would both record the patch and extract over each other.
    SingleRun single_run;
    if (!single_run.first()) {
        MessageBoxW(nullptr, L"L'installazione di questa patch è già in corso.", runtime::kTitle.c_str(),
                    MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        return runtime::exit_code::already_running;
    }

    platform::ScopedComInitialization com;
    platform::Win32Dialogs dialogs;
    platform::Win32EventPump events;
    platform::Win32FileSystem files;
    platform::Win32Shell shell;
    platform::Win32Clock clock;
    platform::Win32UnzipLibrary unzip;
    platform::Win32ToolkitLibraries toolkits;
    runtime::Os os{dialogs, events, files, shell, clock, unzip, toolkits};
    Form1 form(os);

    Form1Window window(instance);
    dialogs.set_owner(window.handle());
    int exit_code = runtime::exit_code::failed;
    window.run(show_command, [&] { exit_code = run_to_end(form, dialogs); });
    return exit_code;
}
