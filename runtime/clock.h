#pragma once
#include <string>

namespace runtime {

class Clock {
public:
    virtual ~Clock() = default;
    /// Today's date, without time, in the user's regional short-date format.
    virtual std::wstring short_date_today() = 0;
};

}  // namespace runtime
