#include <windows.h>

#include <algorithm>

#include "file_system.h"
#include "libs/codec/codec.h"

namespace uz {
namespace {

std::wstring native(const std::u16string& path) { return std::wstring(path.begin(), path.end()); }

// The system's own text for an error ("Access is denied."), in the user's
// language, as UTF-8; the number only when the system has no text for it.
std::string system_error(DWORD code = GetLastError()) {
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  sizeof text / sizeof text[0], nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
        --length;
    if (length == 0) return "system error " + std::to_string(code);
    return codec::to_utf8(std::wstring_view(text, length));
}

Result file_error(DWORD code = GetLastError()) { return {Code::file_error, system_error(code)}; }

constexpr int64_t kUnixEpochIn100ns = 116444736000000000LL;

FILETIME to_file_time(int64_t unix_seconds) {
    // FILETIME counts 100 ns from 1601 in 64 bits: keep within what it can hold.
    unix_seconds = std::clamp<int64_t>(unix_seconds, -11644473600LL, 900000000000LL);
    const auto ticks = static_cast<uint64_t>(unix_seconds * 10000000LL + kUnixEpochIn100ns);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

int64_t to_unix(const FILETIME& time) {
    const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (static_cast<int64_t>(ticks) - kUnixEpochIn100ns) / 10000000LL;
}

// Owns a file handle for the few lines where one is open outside a class.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE take() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE handle_;
};

HANDLE as_handle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

char16_t path_separator() { return u'\\'; }

std::u16string from_caller_path(std::string_view bytes) { return codec::from_ansi(bytes); }

PathInfo path_info(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    PathInfo info;
    if (!GetFileAttributesExW(native(path).c_str(), GetFileExInfoStandard, &data)) return info;
    info.exists = true;
    info.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.mtime = to_unix(data.ftLastWriteTime);
    return info;
}

std::u16string same_file_key(const std::u16string& path) {
    // The invariant capitals are those the file system compares names by;
    // they take as many units as the path.
    std::u16string key(path.size(), u'\0');
    const auto source = reinterpret_cast<const wchar_t*>(path.data());
    const auto capitals = reinterpret_cast<wchar_t*>(key.data());
    const int length = static_cast<int>(path.size());
    if (length > 0 &&
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, source, length, capitals, length, nullptr, nullptr, 0) !=
            length)
        return path;
    return key;
}

Result make_directory(const std::u16string& path) {
    const std::wstring name = native(path);
    if (CreateDirectoryW(name.c_str(), nullptr)) return {};
    const DWORD cause = GetLastError();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    if (cause == ERROR_ALREADY_EXISTS) return {Code::file_error, "a file of that name is in the way"};
    return file_error(cause);
}

int64_t dos_time_to_unix(uint16_t date, uint16_t time) {
    FILETIME local{}, universal{};
    if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &universal)) return 0;
    return to_unix(universal);
}

void set_directory_time(const std::u16string& path, int64_t mtime) {
    ScopedHandle folder(CreateFileW(native(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder.get() == INVALID_HANDLE_VALUE) return;
    const FILETIME time = to_file_time(mtime);
    SetFileTime(folder.get(), nullptr, nullptr, &time);
}

Result InputFile::open(const std::u16string& path, std::unique_ptr<InputFile>& file) {
    ScopedHandle handle(CreateFileW(native(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (handle.get() == INVALID_HANDLE_VALUE) {
        const DWORD cause = GetLastError();
        const bool missing = cause == ERROR_FILE_NOT_FOUND || cause == ERROR_PATH_NOT_FOUND;
        return {missing ? Code::not_found : Code::unreadable, system_error(cause)};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle.get(), &size)) return {Code::unreadable, system_error()};
    file.reset(new InputFile(reinterpret_cast<intptr_t>(handle.take()), static_cast<uint64_t>(size.QuadPart)));
    return {};
}

InputFile::~InputFile() { CloseHandle(as_handle(handle_)); }

Result InputFile::read_at(uint64_t offset, void* data, size_t length) {
    static constexpr char kReadError[] = "archive read error";
    if (offset > size_ || length > size_ - offset) return {Code::read_error, kReadError};
    auto* out = static_cast<char*>(data);
    while (length > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(as_handle(handle_), out, chunk, &got, &at))
            return {Code::read_error, kReadError + std::string(": ") + system_error()};
        if (got == 0) return {Code::read_error, kReadError + std::string(": the file ends early")};
        out += got;
        offset += got;
        length -= got;
    }
    return {};
}

Result OutputFile::create(const std::u16string& target, const std::u16string& temporary,
                          std::unique_ptr<OutputFile>& file) {
    const std::u16string& path = temporary.empty() ? target : temporary;
    const std::wstring name = native(path);
    const DWORD attributes = temporary.empty() ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_HIDDEN;
    const auto open = [&] {
        return CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    };
    HANDLE handle = open();
    // Only a temporary file is ever taken over: what a killed run left there.
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS && !temporary.empty() &&
        DeleteFileW(name.c_str()))
        handle = open();
    if (handle == INVALID_HANDLE_VALUE) return file_error();
    file.reset(new OutputFile(reinterpret_cast<intptr_t>(handle), path, target));
    return {};
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
    if (as_handle(handle_) != INVALID_HANDLE_VALUE) CloseHandle(as_handle(handle_));
    handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    if (!committed_) DeleteFileW(native(path_).c_str());
    committed_ = true;
}

Result OutputFile::write(const uint8_t* data, size_t size) {
    while (size > 0) {
        DWORD done = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        if (!WriteFile(as_handle(handle_), data, chunk, &done, nullptr)) return file_error();
        if (done == 0) return {Code::file_error, "nothing could be written"};
        data += done;
        size -= done;
    }
    return {};
}

Result OutputFile::commit(int64_t mtime, bool read_only) {
    const FILETIME time = to_file_time(mtime);
    // The time is restored when the file system takes it; a time it refuses
    // (from a damaged extra field) is no reason to lose the content.
    SetFileTime(as_handle(handle_), nullptr, nullptr, &time);
    bool ok = CloseHandle(as_handle(handle_)) != 0;
    handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    const std::wstring from = native(path_), to = native(target_);
    const bool replacing = path_ != target_;
    if (ok && replacing && !MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        // A read-only old file refuses to be replaced: lift the attribute for
        // the rename and put it back if the rename still fails.
        const DWORD old_attributes = GetFileAttributesW(to.c_str());
        ok = old_attributes != INVALID_FILE_ATTRIBUTES && (old_attributes & FILE_ATTRIBUTE_READONLY) &&
             SetFileAttributesW(to.c_str(), old_attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        if (ok && !MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            SetFileAttributesW(to.c_str(), old_attributes);
            ok = false;
        }
    }
    if (!ok) {
        Result failed = file_error();
        discard();
        return failed;
    }
    committed_ = true;
    // A new file was made plain; a replacement carries the temporary file's hidden attribute.
    if (replacing || read_only)
        SetFileAttributesW(to.c_str(), read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    return {};
}

}  // namespace uz
