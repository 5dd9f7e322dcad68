#pragma once
// The program's text conversions, shared by the installer and the unzip
// library: UTF-8, Windows-1252, code page 437 and the system's ANSI code page.
// Wide text is UTF-16 in 16-bit units (char16_t, and wchar_t on Windows) or one
// code point a unit in 32-bit units (wchar_t elsewhere).
//
// UTF-8 is read strictly: an overlong form, an encoded surrogate or a value
// beyond U+10FFFF is no character, since an overlong '/' or '.' would slip past
// a check of a name that the check never saw.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace codec {

/// The code point of the UTF-8 sequence at `at`, moving `at` past it; nullopt,
/// `at` unmoved, for a sequence that is cut short, overlong, a surrogate or
/// beyond U+10FFFF.
std::optional<char32_t> decode_utf8(std::string_view bytes, std::size_t& at);

/// UTF-8 text; nullopt when any sequence is malformed.
template <typename Char = char16_t>
std::optional<std::basic_string<Char>> from_utf8(std::string_view bytes);

/// UTF-8 text that must be read whatever it holds (logs, messages): each byte
/// of a malformed sequence becomes U+FFFD.
template <typename Char = char16_t>
std::basic_string<Char> from_utf8_or_replacement(std::string_view bytes);

/// UTF-8 of wide text; an unpaired surrogate becomes U+FFFD.
std::string to_utf8(std::u16string_view text);
std::string to_utf8(std::wstring_view text);

/// Windows-1252, one byte a character; a character it lacks becomes '?'. The
/// five bytes it leaves unassigned stand for the C1 controls of the same value,
/// both ways, as on Windows.
std::string to_windows_1252(std::u16string_view text);
std::string to_windows_1252(std::wstring_view text);
template <typename Char = char16_t>
std::basic_string<Char> from_windows_1252(std::string_view bytes);

/// Code page 437, the DOS code page zip tools assume for names not flagged
/// UTF-8; every byte is a character.
std::u16string from_cp437(std::string_view bytes);

/// The system's ANSI code page on Windows, Windows-1252 elsewhere (the code
/// page of the systems the program serves). A character the code page lacks
/// becomes '?', never a look-alike that could name another file.
std::string to_ansi(std::u16string_view text);
std::string to_ansi(std::wstring_view text);
/// One character for every byte (NUL bytes included) in single-byte code pages.
template <typename Char = char16_t>
std::basic_string<Char> from_ansi(std::string_view bytes);

}  // namespace codec

namespace codec {

/// Simple case folding (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic),
/// enough to compare file names as Windows does.
char16_t fold_case(char16_t c);

}  // namespace codec
