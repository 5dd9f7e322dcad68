#pragma once
// Text helpers shared by the tools: UTF-8 at their edges (transcripts,
// command lines of scripts), error messages that name what failed.
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace tools {

using runtime::from_utf8;
using runtime::to_utf8;

/// "what: <system message> (error N)" for the calling thread's last error.
std::string last_error_message(std::wstring_view what);
/// "what: <system message> (0xHRESULT)".
std::string hresult_message(std::wstring_view what, long hresult);

/// Writes bytes to a file, replacing it; throws std::runtime_error on failure.
void write_file(const std::wstring& path, std::string_view bytes);
/// Reads a whole file; throws std::runtime_error on failure.
std::string read_file(const std::wstring& path);

/// Creates a folder and the folders above it that are missing.
void create_folders(const std::wstring& path);

/// Joins `folder` and `name` with one backslash.
std::wstring join_path(const std::wstring& folder, const std::wstring& name);

/// Quotes one argument for a Windows command line, as CommandLineToArgvW
/// and the C run-time read it back.
std::wstring quote_argument(const std::wstring& argument);

}  // namespace tools
