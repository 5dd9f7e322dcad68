// The installer's start: the switches, the log, one run at a time, then the one
// window (none when quiet), whose first activation runs the patch.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/form1.h"
#include "app/form1_window-win32.h"
#include "app/logged_dialogs.h"
#include "app/run_to_end.h"
#include "app/single_run-win32.h"
#include "platform/clock-win32.h"
#include "platform/dialogs-win32.h"
#include "platform/file_system-win32.h"
#include "platform/library-win32.h"
#include "platform/log-win32.h"
#include "platform/process_facts-win32.h"
#include "platform/scoped-win32.h"
#include "platform/shell-win32.h"
#include "platform/toolkit_libraries-win32.h"
#include "platform/unzip_library-win32.h"

namespace {

using command_line::Interface;

/// The log /log names, or none. A file that cannot be created ends the run
/// (1622), said in a box unless no box may be shown.
std::optional<std::unique_ptr<runtime::Log>> open_log(const command_line::Options& options,
                                                      runtime::Dialogs& screen) {
    if (!options.log_file) return std::make_unique<runtime::NullLog>();
    try {
        return std::make_unique<platform::Win32FileLog>(platform::full_path(*options.log_file));
    } catch (const runtime::RunTimeError& error) {
        if (options.ui == Interface::full)
            screen.message_box(error.description(), runtime::msgbox::ok_only | runtime::msgbox::critical,
                               runtime::kTitle);
        return std::nullopt;
    }
}

int run(HINSTANCE instance, int show_command, const command_line::Options& options, runtime::Log& log,
        platform::Win32Dialogs& screen, runtime::Dialogs& dialogs) {
    if (const std::optional<int> answered = command_line::answer(options, dialogs)) {
        log_end(log, options.problem ? outcome_of(*answered) : L"mostrato l'uso", *answered);
        return *answered;
    }

    // Two runs at once would both record the patch and extract over each other.
    SingleRun single_run;
    if (!single_run.first()) {
        const int exit_code = another_run_in_progress(dialogs);
        log_end(log, outcome_of(exit_code), exit_code);
        return exit_code;
    }

    platform::ScopedComInitialization com;
    platform::Win32EventPump events;
    platform::Win32FileSystem files;
    platform::Win32Shell shell;
    platform::Win32Clock clock;
    platform::Win32UnzipLibrary unzip;  // the delivery's own, by its full path
    platform::Win32ToolkitLibraries toolkits;
    runtime::Os os{dialogs, events, files, shell, clock, unzip, toolkits, log};
    log.event(L"Libreria di estrazione: " + unzip.library());
    std::optional<std::wstring> folder;
    if (options.installation_folder) folder = platform::full_path(*options.installation_folder);
    Form1 form(os, folder);

    int exit_code = runtime::exit_code::failed;
    if (options.ui == Interface::quiet) {
        exit_code = run_to_end(form, dialogs);
    } else {
        Form1Window window(instance);
        screen.set_owner(window.handle());
        window.run(show_command, [&] { exit_code = run_to_end(form, dialogs); });
    }
    log_end(log, outcome_of(exit_code), exit_code);
    return exit_code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    // First of all, before anything loads a library by name: never from the
    // folder the installer was started from, only from the system's.
    const bool search_limited = platform::limit_library_search();

    command_line::Options options = command_line::parse(platform::command_line_arguments());
    // A deployment never waits on a box: /quiet or /passive anywhere in the
    // line counts, also where a stray quote made it part of a value.
    options.ui = std::max(options.ui, command_line::interface_in_line(platform::command_line()));
    platform::Win32Dialogs screen;
    std::optional<std::unique_ptr<runtime::Log>> log = open_log(options, screen);
    if (!log) return runtime::exit_code::log_not_created;
    log_start(**log, {platform::program_version(), platform::command_line(), platform::account(), search_limited});

    LoggedDialogs dialogs(screen, **log, options.ui != Interface::full);
    return run(instance, show_command, options, **log, screen, dialogs);
}
