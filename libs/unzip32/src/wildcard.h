#pragma once
#include <string_view>

#include "libs/codec/codec.h"

namespace uz {

/// Matches a whole name against a pattern where '*' stands for any run of
/// characters (separators included) and '?' for exactly one. Runs in
/// O(name × pattern) at worst, so hostile patterns cannot stall an extraction.
bool wildcard_match(std::u16string_view pattern, std::u16string_view name, bool ignore_case);

/// Simple case folding, the installer's too: names match as Windows compares them.
using codec::fold_case;

}  // namespace uz
