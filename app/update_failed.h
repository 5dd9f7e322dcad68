#pragma once
#include <string>

namespace catalogue_update {

/// Why the update cannot go on, as the user reads it.
struct UpdateFailed {
    std::wstring reason;
};

}  // namespace catalogue_update
