#pragma once
#include "runtime/clock.h"

namespace platform {

/// Today's date as the user's regional settings write a short date.
class Win32Clock : public runtime::Clock {
public:
    std::wstring short_date_today() override;
};

}  // namespace platform
