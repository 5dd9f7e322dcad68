#include "platform/unzip_library-win32.h"

#include <utility>

#include "runtime/run_time_error.h"
#include "runtime/text.h"

namespace platform {

namespace {

namespace err = runtime::error_number;

// A typed entry from GetProcAddress. The detour through a function without
// parameters is the documented way to convert between function pointer types.
template <typename Entry>
Entry entry_cast(FARPROC address) {
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

Win32UnzipLibrary::Win32UnzipLibrary(std::wstring library_name) : library_name_(std::move(library_name)) {}

FARPROC Win32UnzipLibrary::entry(const char* name) {
    if (!module_) {
        // A later call tries again, as a declared library function does.
        HMODULE module = LoadLibraryW(library_name_.c_str());
        if (module == nullptr) {
            const DWORD error = GetLastError();
            if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                throw runtime::RunTimeError(err::file_not_found, L"File non trovato: " + library_name_);
            throw runtime::RunTimeError(err::dll_load_failed,
                                        L"Errore durante il caricamento della DLL: " + library_name_);
        }
        module_.reset(module);
    }
    const FARPROC address = GetProcAddress(module_.get(), name);
    if (address == nullptr)
        throw runtime::RunTimeError(err::dll_entry_not_found, L"Impossibile trovare il punto di ingresso " +
                                                                  runtime::from_ansi(name) + L" della DLL in " +
                                                                  library_name_);
    return address;
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
