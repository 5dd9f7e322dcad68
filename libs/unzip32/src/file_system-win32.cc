#include <windows.h>

#include <algorithm>

#include "file_system.h"
#include "libs/codec/codec.h"
#include "libs/unzip32/temporary_name.h"

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
    info.read_only = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
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

// Windows gives long names a short (8.3) one, which holds a '~' wherever the
// long one did not fit.
bool may_be_another_name(std::u16string_view path) { return path.find(u'~') != std::u16string_view::npos; }

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

OutputFile::OutputFile(const std::u16string& target, bool replacing)
    : target_(native(target)), replacing_(replacing), handle_(reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE)) {}

namespace {

// CREATE_NEW never opens what exists; a reparse point (a symbolic link) at
// the name counts as existing rather than being followed.
HANDLE create_new(const std::wstring& path, DWORD attributes) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

Result OutputFile::create() {
    if (!replacing_) {
        handle_ = reinterpret_cast<intptr_t>(create_new(target_, FILE_ATTRIBUTE_NORMAL));
        if (as_handle(handle_) == INVALID_HANDLE_VALUE) return file_error();
        state_ = State::writing;
        return {};
    }
    const size_t slash = target_.rfind(L'\\');
    const size_t leaf_at = slash == std::wstring::npos ? 0 : slash + 1;
    const std::u16string leaf(target_.begin() + static_cast<std::ptrdiff_t>(leaf_at), target_.end());
    for (unsigned attempt = 1; attempt <= unzip32_temporary_attempts; ++attempt) {
        std::wstring candidate = target_.substr(0, leaf_at) + native(unzip32_temporary_name(leaf, attempt));
        handle_ = reinterpret_cast<intptr_t>(create_new(candidate, FILE_ATTRIBUTE_HIDDEN));
        if (as_handle(handle_) != INVALID_HANDLE_VALUE) {
            temporary_ = std::move(candidate);  // no allocation between the creation and its owner
            state_ = State::writing;
            return {};
        }
        // A file being deleted at the name is refused rather than found
        // existing: the name is taken all the same.
        const DWORD cause = GetLastError();
        const bool taken = cause == ERROR_FILE_EXISTS || cause == ERROR_ALREADY_EXISTS ||
                           (cause == ERROR_ACCESS_DENIED && GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES);
        if (!taken) return file_error(cause);
    }
    return {Code::file_error, "no free name for its temporary file"};
}

void OutputFile::discard() noexcept {
    if (as_handle(handle_) != INVALID_HANDLE_VALUE) CloseHandle(as_handle(handle_));
    handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    if (state_ == State::writing || state_ == State::closed) {
        const std::wstring& path = replacing_ ? temporary_ : target_;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // ours, and perhaps made read-only
        DeleteFileW(path.c_str());
    }
    if (state_ != State::in_place) state_ = State::none;
}

void OutputFile::remove_new_file() noexcept {
    if (state_ == State::in_place && !replacing_) {
        SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(target_.c_str());
    }
    state_ = State::none;
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

Result OutputFile::close(int64_t mtime, bool read_only) {
    const FILETIME time = to_file_time(mtime);
    // The time is restored when the file system takes it; a time it refuses
    // (from a damaged extra field) is no reason to lose the content.
    SetFileTime(as_handle(handle_), nullptr, nullptr, &time);
    DWORD cause = ERROR_SUCCESS;
    if (replacing_ && !FlushFileBuffers(as_handle(handle_))) cause = GetLastError();
    if (!CloseHandle(as_handle(handle_)) && cause == ERROR_SUCCESS) cause = GetLastError();
    handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    if (cause != ERROR_SUCCESS) return file_error(cause);
    // A new file was made plain and stays so; a temporary file loses its
    // hidden attribute once renamed.
    if (read_only && !replacing_ && !SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_READONLY)) return file_error();
    state_ = replacing_ ? State::closed : State::in_place;
    read_only_ = read_only;
    return {};
}

Result OutputFile::put_in_place() {
    if (state_ != State::closed) return {};
    // A read-only old file refuses to be replaced, as it should.
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) return file_error();
    state_ = State::in_place;
    SetFileAttributesW(target_.c_str(), read_only_ ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    return {};
}

std::u16string OutputFile::shown_path(size_t skip) const {
    const std::u16string path(target_.begin(), target_.end());
    return skip < path.size() ? path.substr(skip) : path;
}

}  // namespace uz
