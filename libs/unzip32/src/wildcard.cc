#include "wildcard.h"

namespace uz {

bool wildcard_match(std::u16string_view pattern, std::u16string_view name, bool ignore_case) {
    const auto same = [ignore_case](char16_t a, char16_t b) {
        return a == b || (ignore_case && fold_case(a) == fold_case(b));
    };
    size_t p = 0, n = 0;
    size_t star = std::u16string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star != std::u16string_view::npos) {
            // Let the last star swallow one more character and retry from there.
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace uz
