#pragma once
#include "libs/unzip32/unzip32.h"

namespace runtime {

/// The two entries of the unzip library. The real one binds unzip32.dll by name
/// on the first call, through the normal library search, and raises a
/// RunTimeError naming the library or the entry when it cannot.
class UnzipLibrary {
public:
    virtual ~UnzipLibrary() = default;
    virtual std::uint32_t uzp_version2(UzpVer2* version) = 0;
    virtual std::int32_t wiz_single_entry_unzip(std::int32_t include_count, char** include_names,
                                                 std::int32_t exclude_count, char** exclude_names,
                                                 DCL* options, USERFUNCTIONS* callbacks) = 0;
};

}  // namespace runtime
