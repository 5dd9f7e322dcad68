#pragma once
// The switches a deployment tool gives the installer, taken as Windows
// installers take them: "/" or "-", any case, a value after a space or "=".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/dialogs.h"

namespace command_line {

/// How much of itself the run shows.
/// In the order of what they hide: the larger wins.
enum class Interface {
    full,     ///< the window and every message box, as without switches
    passive,  ///< the window; each box answered with its default button
    quiet,    ///< nothing on screen; each box answered with its default button
};

struct Options {
    Interface ui = Interface::full;
    std::optional<std::wstring> log_file;          ///< /log, as given
    std::optional<std::wstring> installation_folder;  ///< /dir, as given
    bool help = false;
    /// What is wrong with the command line, when something is: the run then
    /// shows the usage and ends (1639). The switches around the fault still
    /// count, so that a quiet run with a log says it there.
    std::optional<std::wstring> problem;
};

/// Reads the arguments that follow the program's name.
Options parse(const std::vector<std::wstring>& arguments);

/// The most the run may show, read from the whole command line as the process
/// received it, the program's path included: /quiet and /passive (and their
/// short forms) count wherever they stand as words of their own, also inside
/// a value that a stray quote made of the rest of the line, so that a
/// deployment with its quoting wrong still never waits on a box. The program's
/// path is skipped as Windows reads it.
Interface interface_in_line(std::wstring_view command_line);

/// The usage, as the box of /? shows it.
std::wstring usage();

/// Shows the usage for /? (exit code 0) and for a command line that is not
/// valid, after what is wrong with it (1639); nothing when the run goes on.
std::optional<int> answer(const Options& options, runtime::Dialogs& dialogs);

}  // namespace command_line
