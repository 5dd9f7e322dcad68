#pragma once
// The unzip library the program was delivered with: UNZIP32.DLL beside it,
// bound by its full path the first time one of its entries is called. The copy
// in the system folder holds the same bytes; loading by name could instead
// pick up whatever lies in the current folder.
#include <windows.h>

#include <string>

#include "platform/scoped-win32.h"
#include "runtime/unzip_library.h"

namespace platform {

class Win32UnzipLibrary : public runtime::UnzipLibrary {
public:
    /// UNZIP32.DLL in the program's own folder.
    Win32UnzipLibrary();
    /// `library`: a full path, or a name looked for in the system folder alone.
    explicit Win32UnzipLibrary(std::wstring library);

    const std::wstring& library() const { return library_name_; }

    /// Raise 53 when the library is not found, 48 when it is found but cannot
    /// be loaded, 453 when it lacks the entry; each description names the
    /// library or the entry.
    std::uint32_t uzp_version2(UzpVer2* version) override;
    std::int32_t wiz_single_entry_unzip(std::int32_t include_count, char** include_names,
                                         std::int32_t exclude_count, char** exclude_names, DCL* options,
                                         USERFUNCTIONS* callbacks) override;

private:
    FARPROC entry(const char* name);

    std::wstring library_name_;
    // Declared before the entries it holds and freed after them.
    ScopedModule module_;
    decltype(&UzpVersion2) uzp_version2_ = nullptr;
    decltype(&Wiz_SingleEntryUnzip) wiz_single_entry_unzip_ = nullptr;
};

}  // namespace platform
