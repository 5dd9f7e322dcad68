#pragma once
// What the log and the command line need to know of the running process.
#include <windows.h>

#include <string>
#include <vector>

namespace platform {

/// The command line as the process received it.
std::wstring command_line();

/// The arguments after the program's name, split as Windows programs split
/// them (quotes group, backslashes before a quote escape it).
std::vector<std::wstring> command_line_arguments();

/// "DOMAIN\name" of the account the process runs as, with "(elevato)" when
/// its token is elevated; "sconosciuto" where it cannot be read.
std::wstring account();

/// The file version of the running program, from its version resource.
std::wstring program_version();

/// `path` with its %VARIABLES% expanded, made absolute against the current
/// folder, as a deployment tool that passes "%TEMP%\x.log" unexpanded means it.
std::wstring full_path(const std::wstring& path);

/// The system's own words for an error code, with the code.
std::wstring system_message(DWORD code);

}  // namespace platform
