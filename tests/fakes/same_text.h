#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace fakes {

/// For EXPECT_PRED_FORMAT2 on texts of megabytes: a failure tells where the
/// texts part, not the texts whole.
inline testing::AssertionResult same_text(const char* actual_expression, const char* expected_expression,
                                          const std::string& actual, const std::string& expected) {
    if (actual == expected) return testing::AssertionSuccess();
    const auto at = static_cast<std::size_t>(
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first - actual.begin());
    return testing::AssertionFailure()
           << actual_expression << " (" << actual.size() << " bytes) and " << expected_expression << " ("
           << expected.size() << " bytes) part at byte " << at << ": " << testing::PrintToString(actual.substr(at, 24))
           << " where " << testing::PrintToString(expected.substr(at, 24)) << " was expected";
}

}  // namespace fakes
