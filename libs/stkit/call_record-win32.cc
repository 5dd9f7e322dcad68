#include "libs/stkit/call_record-win32.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/scoped-win32.h"

namespace stkit {

namespace {

std::wstring environment_value(const wchar_t* variable) {
    const DWORD needed = GetEnvironmentVariableW(variable, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    value.resize(GetEnvironmentVariableW(variable, value.data(), needed));
    return value;
}

// The file of this library itself: the three libraries share one source, and
// the test wants to know which file, from which folder, was really called.
std::string this_library_path() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&environment_value), &module))
        return "?";
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length);
}

}  // namespace

void record_call(std::initializer_list<std::string_view> arguments) {
    const std::wstring log_path = environment_value(call_log_variable);
    if (log_path.empty()) return;

    std::string line = this_library_path() + '\t' + std::to_string(arguments.size());
    for (std::string_view argument : arguments) (line += '\t') += argument;
    line += "\r\n";

    platform::ScopedFileHandle file(CreateFileW(log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace stkit
