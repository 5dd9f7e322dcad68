#include "platform/library-win32.h"

#include "runtime/run_time_error.h"
#include "runtime/text.h"

namespace platform {

namespace {

/// No system error box for a missing or unreadable library while it is in
/// force: whatever fails here is the caller's to report.
class QuietLoaderErrors {
public:
    QuietLoaderErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_); }
    ~QuietLoaderErrors() { SetThreadErrorMode(previous_, nullptr); }
    QuietLoaderErrors(const QuietLoaderErrors&) = delete;
    QuietLoaderErrors& operator=(const QuietLoaderErrors&) = delete;

private:
    DWORD previous_ = 0;
};

}  // namespace

bool limit_library_search() {
    // Looked up rather than imported: a Windows 7 without its 2011 loader
    // update lacks it, and the program must still start there.
    using SetDefaultDllDirectoriesEntry = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto set_default = entry_cast<SetDefaultDllDirectoriesEntry>(
        kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr);
    return set_default && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

ScopedModule try_load_library(const std::wstring& name, DWORD* error) {
    QuietLoaderErrors quiet;
    // The system folder alone, for the library named and for what it imports.
    ScopedModule module(LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
        // A loader without the search flags: the same, spelled out.
        const bool bare_name = name.find_first_of(L"\\/:") == std::wstring::npos;
        std::wstring path = name;
        if (bare_name) {
            wchar_t system[MAX_PATH];
            const UINT length = GetSystemDirectoryW(system, MAX_PATH);
            path = std::wstring(system, length < MAX_PATH ? length : 0) + L"\\" + name;
        }
        module.reset(LoadLibraryW(path.c_str()));
    }
    if (error) *error = module ? ERROR_SUCCESS : GetLastError();
    return module;
}

ScopedModule load_library(const std::wstring& name) {
    namespace err = runtime::error_number;
    DWORD error = ERROR_SUCCESS;
    ScopedModule module = try_load_library(name, &error);
    if (module) return module;
    if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        throw runtime::RunTimeError(err::file_not_found, L"File non trovato: " + name);
    throw runtime::RunTimeError(err::dll_load_failed, L"Impossibile caricare la libreria " + name + L" (errore " +
                                                          std::to_wstring(error) + L")");
}

FARPROC library_entry(HMODULE module, const char* entry, const std::wstring& library) {
    const FARPROC address = GetProcAddress(module, entry);
    if (address == nullptr)
        throw runtime::RunTimeError(runtime::error_number::dll_entry_not_found,
                                    L"Impossibile trovare il punto di ingresso " + runtime::from_ansi(entry) +
                                        L" della DLL in " + library);
    return address;
}

}  // namespace platform
