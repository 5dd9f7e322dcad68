#include "platform/log-win32.h"

#include <windows.h>

#include "platform/process_facts-win32.h"
#include "runtime/run_time_error.h"

namespace platform {

Win32FileLog::Win32FileLog(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {
    BY_HANDLE_FILE_INFORMATION information{};
    DWORD code = file_ ? ERROR_SUCCESS : GetLastError();
    // Windows refuses to write a read-only file; Wine run by root would not.
    if (file_ && GetFileInformationByHandle(file_.get(), &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        code = ERROR_ACCESS_DENIED;
    if (code != ERROR_SUCCESS)
        throw runtime::RunTimeError(runtime::error_number::path_file_access,
                                    L"Impossibile creare il file di log " + path + L": " + system_message(code));
    // Retries of a deployment add to the same file; only a new one gets the mark.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file_.get(), &size) && size.QuadPart == 0) write(runtime::kLogFileStart);
}

void Win32FileLog::event(const std::wstring& text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    write(runtime::log_line({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                             now.wMilliseconds},
                            text));
}

void Win32FileLog::write(std::string_view bytes) {
    DWORD written = 0;
    WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace platform
