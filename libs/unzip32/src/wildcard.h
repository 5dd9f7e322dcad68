#pragma once
#include <string_view>

namespace uz {

/// Matches a whole name against a pattern where '*' stands for any run of
/// characters (separators included) and '?' for exactly one. Runs in
/// O(name × pattern) at worst, so hostile patterns cannot stall an extraction.
bool wildcard_match(std::u16string_view pattern, std::u16string_view name, bool ignore_case);

/// Simple case folding (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic),
/// enough for matching names.
char16_t fold_case(char16_t c);

}  // namespace uz
