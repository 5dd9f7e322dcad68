#pragma once
// Conversions between the encodings a zip archive and its caller use and the
// UTF-16 text the library works in. Entry names are stored either in UTF-8
// (flagged) or in IBM code page 437 (the DOS default every zip tool assumes);
// the caller's texts are in the ANSI code page of the system.
#include <optional>
#include <string>
#include <string_view>

namespace uz {

/// Decodes code page 437; every byte has a character.
std::u16string from_cp437(std::string_view bytes);

/// Decodes strict UTF-8; nullopt for malformed or overlong sequences and surrogates.
std::optional<std::u16string> from_utf8(std::string_view bytes);

/// Encodes UTF-16 as UTF-8 (unpaired surrogates become U+FFFD).
std::string to_utf8(std::u16string_view text);

/// Text for the callbacks: the system's ANSI code page on Windows, Windows-1252
/// elsewhere; characters without a single byte become '?'.
std::string to_callback_text(std::u16string_view text);

/// The caller's single-byte texts (name patterns), in the same code page.
std::u16string from_callback_text(std::string_view bytes);

/// The caller's archive and folder paths: ANSI on Windows, UTF-8 elsewhere.
std::u16string from_caller_path(std::string_view bytes);

/// Windows-1252 both ways, used natively and by the tests.
std::string to_windows_1252(std::u16string_view text);
std::u16string from_windows_1252(std::string_view bytes);

/// Simple case folding (ASCII, Latin-1, Greek, Cyrillic), enough for name matching.
char16_t fold_case(char16_t c);

}  // namespace uz
