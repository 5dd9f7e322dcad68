#include "platform/unzip_library-win32.h"

#include <utility>

#include "platform/library-win32.h"
#include "platform/shell-win32.h"

namespace platform {

Win32UnzipLibrary::Win32UnzipLibrary() : Win32UnzipLibrary(Win32Shell().application_folder() + L"\\UNZIP32.DLL") {}

Win32UnzipLibrary::Win32UnzipLibrary(std::wstring library) : library_name_(std::move(library)) {}

FARPROC Win32UnzipLibrary::entry(const char* name) {
    // A later call tries again after a failed load, as a declared library function does.
    if (!module_) module_ = load_library(library_name_);
    return library_entry(module_.get(), name, library_name_);
}

std::uint32_t Win32UnzipLibrary::uzp_version2(UzpVer2* version) {
    if (uzp_version2_ == nullptr) uzp_version2_ = entry_cast<decltype(uzp_version2_)>(entry("UzpVersion2"));
    return uzp_version2_(version);
}

std::int32_t Win32UnzipLibrary::wiz_single_entry_unzip(std::int32_t include_count, char** include_names,
                                                        std::int32_t exclude_count, char** exclude_names,
                                                        DCL* options, USERFUNCTIONS* callbacks) {
    if (wiz_single_entry_unzip_ == nullptr)
        wiz_single_entry_unzip_ = entry_cast<decltype(wiz_single_entry_unzip_)>(entry("Wiz_SingleEntryUnzip"));
    return wiz_single_entry_unzip_(include_count, include_names, exclude_count, exclude_names, options,
                                   callbacks);
}

}  // namespace platform
