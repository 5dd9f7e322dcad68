#include "platform/toolkit_libraries-win32.h"

#include "runtime/run_time_error.h"
#include "runtime/text.h"

namespace platform {

namespace {

using CreateShellLink4 = std::int32_t(WINAPI*)(const char* group, const char* name, const char* target,
                                               const char* arguments);
using CreateShellLink6 = std::int32_t(WINAPI*)(const char* group, const char* name, const char* target,
                                               const char* arguments, std::int32_t private_flag, const char* parent);

constexpr char entry_name[] = "fCreateShellLink";

template <typename Function>
Function as(FARPROC entry) {
    // Through the generic function type, which converts to any other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry));
}

/// No system error box for a missing or unreadable library while it is in
/// force: whatever fails here is the caller's to handle, silently.
class QuietLoaderErrors {
public:
    QuietLoaderErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_); }
    ~QuietLoaderErrors() { SetThreadErrorMode(previous_, nullptr); }
    QuietLoaderErrors(const QuietLoaderErrors&) = delete;
    QuietLoaderErrors& operator=(const QuietLoaderErrors&) = delete;

private:
    DWORD previous_ = 0;
};

struct LoadOutcome {
    HMODULE module;
    DWORD error;  // why the load failed, taken before anything else can change it
};

LoadOutcome load(const std::string& name) {
    QuietLoaderErrors quiet;
    const HMODULE module = LoadLibraryA(name.c_str());
    return {module, module ? ERROR_SUCCESS : GetLastError()};
}

}  // namespace

bool Win32ToolkitLibraries::probe(const std::string& name) {
    // Loaded and released at once: the probe only asks whether it loads.
    return LoadedLibrary(load(name).module).get() != nullptr;
}

FARPROC Win32ToolkitLibraries::entry_of(const std::string& library) {
    if (const auto found = bound_.find(library); found != bound_.end()) return found->second.entry;

    const std::wstring wide_name = runtime::from_ansi(library);
    const LoadOutcome outcome = load(library);
    LoadedLibrary loaded(outcome.module);
    if (!loaded.get()) {
        const DWORD error = outcome.error;
        if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            throw runtime::RunTimeError(runtime::error_number::file_not_found, L"File non trovato: " + wide_name);
        throw runtime::RunTimeError(runtime::error_number::dll_load_failed,
                                    L"Errore durante il caricamento della DLL " + wide_name + L" (errore " +
                                        std::to_wstring(error) + L")");
    }
    const FARPROC entry = GetProcAddress(loaded.get(), entry_name);
    if (!entry)
        throw runtime::RunTimeError(runtime::error_number::dll_entry_not_found,
                                    L"Impossibile trovare il punto di ingresso fCreateShellLink in " + wide_name);
    bound_.emplace(library, BoundEntry{std::move(loaded), entry});
    return entry;
}

std::int32_t Win32ToolkitLibraries::create_shell_link(const std::string& library, const std::string& group,
                                                      const std::string& name, const std::string& target,
                                                      const std::string& arguments) {
    return as<CreateShellLink4>(entry_of(library))(group.c_str(), name.c_str(), target.c_str(), arguments.c_str());
}

std::int32_t Win32ToolkitLibraries::create_shell_link(const std::string& library, const std::string& group,
                                                      const std::string& name, const std::string& target,
                                                      const std::string& arguments, std::int32_t private_flag,
                                                      const std::string& parent) {
    return as<CreateShellLink6>(entry_of(library))(group.c_str(), name.c_str(), target.c_str(), arguments.c_str(),
                                                   private_flag, parent.c_str());
}

}  // namespace platform
