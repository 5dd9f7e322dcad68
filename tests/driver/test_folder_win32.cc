#include "test_folder_win32.h"

#include <windows.h>

namespace driver_tests {

std::wstring binary_folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring probe_exe() { return binary_folder() + L"\\msgbox_probe.exe"; }

std::wstring unique_name(const std::wstring& stem) {
    static int counter = 0;
    return stem + L" " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

namespace {

std::wstring fresh_temp_folder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + unique_name(L"driver-tests");
    fixture::create_folder(path);
    return path;
}

}  // namespace

TempFolder::TempFolder() : tree_(fresh_temp_folder()) {}

}  // namespace driver_tests
