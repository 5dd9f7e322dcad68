#pragma once
// Text is wide, one unit a UTF-16 character as on Windows, so that lengths,
// positions and padding behave as the program expects. It turns into single-byte
// text only where it crosses an ANSI interface, through this one pair. The
// conversions are the unzip library's own (libs/codec).
#include <string>
#include <string_view>

namespace runtime {

/// Converts to the process's ANSI code page (Windows-1252 in native builds).
/// A character the code page cannot hold becomes '?'.
std::string to_ansi(std::wstring_view text);

/// Converts single-byte text in the process's ANSI code page to wide text,
/// one character for every byte (NUL bytes included).
std::wstring from_ansi(std::string_view bytes);

/// Removes the space characters (only U+0020) at both ends.
std::wstring trim_spaces(std::wstring_view text);

/// UTF-8 for logs and exception messages. An unpaired surrogate is written as
/// U+FFFD; reading, each byte of a malformed sequence (an overlong form or an
/// encoded surrogate included) becomes U+FFFD.
std::string to_utf8(std::wstring_view text);
std::wstring from_utf8(std::string_view bytes);

}  // namespace runtime
