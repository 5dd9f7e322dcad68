#include "platform/file_system-win32.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <utility>
#include <vector>

#include "platform/scoped-win32.h"
#include "runtime/run_time_error.h"

namespace platform {
namespace {

namespace err = runtime::error_number;
using runtime::RunTimeError;

/// The run-time error for a failed file operation; `action` says what was
/// being done, on which file.
[[noreturn]] void raise(DWORD code, const std::wstring& action) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            throw RunTimeError(err::file_not_found, action + L": file non trovato");
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
            throw RunTimeError(err::path_not_found, action + L": percorso non trovato");
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            throw RunTimeError(err::bad_file_name, action + L": nome di file non valido");
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            throw RunTimeError(err::file_already_exists, action + L": il file esiste già");
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            throw RunTimeError(err::permission_denied, action + L": autorizzazione negata");
        default:
            throw RunTimeError(err::path_file_access,
                               action + L": errore di accesso (codice " + std::to_wstring(code) + L")");
    }
}

bool is_dot_entry(const wchar_t* name) {
    return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

/// Visits every file below `folder` (`on_file(path, attributes)`), then each
/// folder after everything in it (`on_folder(path)`), `folder` last. A link to
/// a folder elsewhere is visited as a folder of its own, never followed: what
/// it points to is not ours. `folder` itself is no link (see remove_tree).
template <typename OnFile, typename OnFolder>
void walk(const std::wstring& folder, const OnFile& on_file, const OnFolder& on_folder) {
    WIN32_FIND_DATAW entry;
    ScopedFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) raise(GetLastError(), L"Impossibile leggere la cartella " + folder);
    do {
        if (is_dot_entry(entry.cFileName)) continue;
        const std::wstring path = folder + L"\\" + entry.cFileName;
        const DWORD attributes = entry.dwFileAttributes;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) on_file(path, attributes);
        else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) on_folder(path);
        else walk(path, on_file, on_folder);
    } while (FindNextFileW(find.get(), &entry));
    find.reset();
    on_folder(folder);
}

void remove_folder(const std::wstring& folder) {
    if (!RemoveDirectoryW(folder.c_str())) raise(GetLastError(), L"Impossibile eliminare la cartella " + folder);
}

void remove_file(const std::wstring& path) {
    if (!DeleteFileW(path.c_str())) raise(GetLastError(), L"Impossibile eliminare il file " + path);
}

ScopedFileHandle open_file(const std::wstring& path, DWORD access, DWORD creation, const std::wstring& action) {
    // Windows refuses to write a read-only file; Wine lets root do it, so the
    // attribute is checked here too.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if ((access & (GENERIC_WRITE | FILE_APPEND_DATA)) && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY))
        raise(ERROR_ACCESS_DENIED, action);
    ScopedFileHandle file(
        CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) raise(GetLastError(), action);
    return file;
}

/// Writes every byte, however many calls the system takes for them.
void write_every_byte(HANDLE file, std::string_view bytes, const std::wstring& action) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            raise(GetLastError(), action);
        bytes.remove_prefix(written);
    }
}

/// Writes every byte and flushes them to the disk: the next step of the
/// caller may rely on them surviving a power cut.
void write_all(HANDLE file, std::string_view bytes, const std::wstring& action) {
    write_every_byte(file, bytes, action);
    if (!FlushFileBuffers(file)) raise(GetLastError(), action);
}

std::string read_all(HANDLE file, const std::wstring& action) {
    std::string content;
    char chunk[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &read, nullptr)) raise(GetLastError(), action);
        if (read == 0) break;
        content.append(chunk, read);
    }
    return content;
}

}  // namespace

std::wstring Win32FileSystem::dir(const std::wstring& pattern, int attributes) {
    WIN32_FIND_DATAW entry;
    ScopedFindHandle find(FindFirstFileW(pattern.c_str(), &entry));
    if (!find) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return {};
        raise(code, L"Impossibile cercare " + pattern);
    }
    // The platform lists hidden, system and folder entries like any other: only
    // those the caller asked for are admitted.
    const DWORD admitted_extras = static_cast<DWORD>(attributes) &
                                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
    const DWORD extras = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    do {
        if ((entry.dwFileAttributes & extras & ~admitted_extras) == 0) return entry.cFileName;
    } while (FindNextFileW(find.get(), &entry));
    return {};
}

void Win32FileSystem::copy_file(const std::wstring& from, const std::wstring& to) {
    const std::wstring action = L"Impossibile copiare il file " + from + L" in " + to;
    // Windows does not replace a read-only file; Wine lets root do it.
    const DWORD target = GetFileAttributesW(to.c_str());
    if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY) &&
        GetFileAttributesW(from.c_str()) != INVALID_FILE_ATTRIBUTES)
        raise(ERROR_ACCESS_DENIED, action);
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) raise(GetLastError(), action);
}

void Win32FileSystem::delete_file(const std::wstring& path) { remove_file(path); }

bool Win32FileSystem::folder_exists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::path_exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::is_link(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void Win32FileSystem::ensure_removable(const std::wstring& folder) {
    namespace err = runtime::error_number;
    walk(
        folder,
        [](const std::wstring& file, DWORD attributes) {
            if (attributes & FILE_ATTRIBUTE_READONLY)
                throw RunTimeError(err::permission_denied, L"Il file " + file + L" è di sola lettura");
            // Opening for deletion while sharing everything fails exactly when
            // another program holds the file without letting it be deleted.
            const ScopedFileHandle probe(CreateFileW(file.c_str(), DELETE,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                     nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (probe) return;
            const DWORD code = GetLastError();
            if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
                throw RunTimeError(err::permission_denied, L"Il file " + file + L" è aperto in un altro programma");
            raise(code, L"Impossibile eliminare il file " + file);
        },
        [](const std::wstring&) {});
}

void Win32FileSystem::remove_tree(const std::wstring& path) {
    // A link's own read-only bit is left alone: setting it may reach its target.
    const auto writable = [](const std::wstring& entry, DWORD attributes) {
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            SetFileAttributesW(entry.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    };
    const auto remove_any_file = [&](const std::wstring& file, DWORD attributes) {
        writable(file, attributes);
        remove_file(file);
    };
    const DWORD attributes = GetFileAttributesW(path.c_str());
    // A link goes as a link, also when it is the tree asked for: listing it
    // would list, and delete, what it points to.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? remove_folder(path) : remove_file(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return remove_any_file(path, attributes);
    walk(path, remove_any_file, [&](const std::wstring& folder) {
        writable(folder, GetFileAttributesW(folder.c_str()));
        remove_folder(folder);
    });
}

void Win32FileSystem::make_folder(const std::wstring& path) {
    if (!CreateDirectoryW(path.c_str(), nullptr)) raise(GetLastError(), L"Impossibile creare la cartella " + path);
}

bool Win32FileSystem::remove_empty_folder(const std::wstring& path) {
    if (RemoveDirectoryW(path.c_str())) return true;
    const DWORD code = GetLastError();
    if (code == ERROR_DIR_NOT_EMPTY) return false;
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
    raise(code, L"Impossibile eliminare la cartella " + path);
}

void Win32FileSystem::move(const std::wstring& from, const std::wstring& to) {
    // Replacing is for files only: the system refuses the flag for a folder.
    const DWORD attributes = GetFileAttributesW(from.c_str());
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        flags |= MOVEFILE_REPLACE_EXISTING;
    if (!MoveFileExW(from.c_str(), to.c_str(), flags))
        raise(GetLastError(), L"Impossibile rinominare " + from + L" in " + to);
}

std::string Win32FileSystem::read_file(const std::wstring& path) {
    const std::wstring action = L"Impossibile leggere il file " + path;
    return read_all(open_file(path, GENERIC_READ, OPEN_EXISTING, action).get(), action);
}

namespace {

/// A privilege of the process enabled while the object lives, where the
/// process's token holds it (an elevated administrator's holds it, disabled),
/// and put back as it was after.
class ScopedPrivilege {
public:
    explicit ScopedPrivilege(const wchar_t* name) {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
        token_.reset(token);
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid)) return;
        DWORD size = sizeof previous_;
        // It succeeds, with ERROR_NOT_ALL_ASSIGNED, for a privilege the token lacks.
        enabled_ = AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof previous_, &previous_, &size) &&
                   GetLastError() == ERROR_SUCCESS;
    }
    ScopedPrivilege(const ScopedPrivilege&) = delete;
    ScopedPrivilege& operator=(const ScopedPrivilege&) = delete;
    ~ScopedPrivilege() {
        if (enabled_) AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr);
    }
    bool enabled() const { return enabled_; }

private:
    ScopedKernelHandle token_;
    TOKEN_PRIVILEGES previous_{};
    bool enabled_ = false;
};

constexpr DWORD kBufferSize = 1u << 20;

/// Copies the rest of `from` into `to` a buffer at a time: a file may be
/// larger than what the 32-bit program can hold in memory.
void pour(HANDLE from, HANDLE to, char* buffer, const std::wstring& action) {
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer, kBufferSize, &read, nullptr)) raise(GetLastError(), action);
        if (read == 0) return;
        write_every_byte(to, std::string_view(buffer, read), action);
    }
}

/// Copies each named data stream of `from` (the mark of a download, another
/// program's own data) beside the main one of `to`, flushed.
void copy_named_streams(const std::wstring& from, const std::wstring& to, char* buffer, const std::wstring& action) {
    WIN32_FIND_STREAM_DATA stream;
    const ScopedFindHandle find(FindFirstStreamW(from.c_str(), FindStreamInfoStandard, &stream, 0));
    if (!find) {
        if (GetLastError() == ERROR_HANDLE_EOF) return;
        raise(GetLastError(), action);
    }
    do {
        // Names come as ":name:$DATA"; the main stream's is "::$DATA".
        const std::wstring name = stream.cStreamName;
        if (name == L"::$DATA") continue;
        const ScopedFileHandle source(
            CreateFileW((from + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!source) raise(GetLastError(), action);
        const ScopedFileHandle copy(
            CreateFileW((to + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!copy) raise(GetLastError(), action);
        pour(source.get(), copy.get(), buffer, action);
        if (!FlushFileBuffers(copy.get())) raise(GetLastError(), action);
    } while (FindNextStreamW(find.get(), &stream));
    if (GetLastError() != ERROR_HANDLE_EOF) raise(GetLastError(), action);
}

std::unique_ptr<BYTE[]> security_descriptor(HANDLE file, SECURITY_INFORMATION parts, const std::wstring& action) {
    DWORD size = 512;
    auto descriptor = std::make_unique<BYTE[]>(size);
    while (!GetKernelObjectSecurity(file, parts, descriptor.get(), size, &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) raise(GetLastError(), action);
        descriptor = std::make_unique<BYTE[]>(size);
    }
    return descriptor;
}

/// Gives the copy the original's security descriptor as it is, not merged
/// with what the copies folder passes on: renamed back into place, the copy
/// is what the original was, its inherited entries still marked inherited.
/// The access list goes through the copy's handle, which has held the right
/// to set it since the file was created: that one must succeed. The owner,
/// the group, the integrity label and the audit list are set each on its
/// own, where the process may; an installer without the privileges for them
/// still gives the file back its bytes and who may use it, and the update
/// does not fail for them. They go first, while the copy's own access list
/// still lets them be set.
void copy_security(HANDLE copy, const std::wstring& to, PSECURITY_DESCRIPTOR descriptor, bool audit,
                   const std::wstring& action) {
    const SECURITY_INFORMATION parts[] = {OWNER_SECURITY_INFORMATION, GROUP_SECURITY_INFORMATION,
                                          LABEL_SECURITY_INFORMATION, SACL_SECURITY_INFORMATION};
    for (const SECURITY_INFORMATION part : parts)
        if (audit || part != SACL_SECURITY_INFORMATION) SetFileSecurityW(to.c_str(), part, descriptor);
    if (!SetKernelObjectSecurity(copy, DACL_SECURITY_INFORMATION, descriptor)) raise(GetLastError(), action);
}

}  // namespace

void Win32FileSystem::copy_exactly(const std::wstring& from, const std::wstring& to) {
    const std::wstring action = L"Impossibile copiare il file " + from + L" in " + to;
    // Reading the audit list needs the first; giving the copy an owner other
    // than the installer's user or groups, the second.
    const ScopedPrivilege security(SE_SECURITY_NAME), restore(SE_RESTORE_NAME);
    const bool audit = security.enabled();
    const ScopedFileHandle source(CreateFileW(from.c_str(), GENERIC_READ | (audit ? ACCESS_SYSTEM_SECURITY : 0),
                                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!source) raise(GetLastError(), action);
    // Taken before a byte is read, which moves the last access time.
    FILE_BASIC_INFO basic{};
    DWORD volume = 0;
    if (!GetFileInformationByHandleEx(source.get(), FileBasicInfo, &basic, sizeof basic) ||
        !GetVolumeInformationByHandleW(source.get(), nullptr, 0, nullptr, nullptr, &volume, nullptr, 0))
        raise(GetLastError(), action);
    std::unique_ptr<BYTE[]> descriptor;
    if (volume & FILE_PERSISTENT_ACLS)
        descriptor = security_descriptor(source.get(),
                                         OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                             DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION |
                                             (audit ? SACL_SECURITY_INFORMATION : 0),
                                         action);

    const ScopedFileHandle copy(
        CreateFileW(to.c_str(), GENERIC_WRITE | WRITE_DAC, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy) raise(GetLastError(), action);
    const auto buffer = std::make_unique<char[]>(kBufferSize);
    pour(source.get(), copy.get(), buffer.get(), action);
    if (volume & FILE_NAMED_STREAMS) copy_named_streams(from, to, buffer.get(), action);
    if (descriptor) copy_security(copy.get(), to, descriptor.get(), audit, action);
    // Times and attributes last, read-only among them, through the handle
    // that keeps its right to write; only the attributes a file can be given.
    // The change time is the system's own (zero leaves it).
    basic.ChangeTime.QuadPart = 0;
    basic.FileAttributes &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(copy.get(), FileBasicInfo, &basic, sizeof basic) ||
        !FlushFileBuffers(copy.get()))
        raise(GetLastError(), action);
}

bool Win32FileSystem::flush_volume(const std::wstring& path) {
    wchar_t root[MAX_PATH];
    if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return false;
    // Only a drive letter names a volume that can be opened: "C:\" becomes "\\.\C:".
    if (!(std::iswalpha(root[0]) && root[1] == L':' && root[2] == L'\\' && root[3] == 0)) return false;
    const std::wstring volume = L"\\\\.\\" + std::wstring(root, 2);
    const ScopedFileHandle handle(CreateFileW(volume.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
    return handle && FlushFileBuffers(handle.get());
}

void Win32FileSystem::flush_file(const std::wstring& path) {
    const std::wstring action = L"Impossibile scrivere su disco il file " + path;
    // Flushing needs write access, which a read-only file refuses for a moment.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) raise(GetLastError(), action);
    const bool read_only = attributes & FILE_ATTRIBUTE_READONLY;
    if (read_only && !SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)))
        raise(GetLastError(), action);
    DWORD code = ERROR_SUCCESS;
    {
        const ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
        if (!file || !FlushFileBuffers(file.get())) code = GetLastError();
    }
    if (read_only) SetFileAttributesW(path.c_str(), attributes);
    if (code != ERROR_SUCCESS) raise(code, action);
}

std::wstring Win32FileSystem::short_path(const std::wstring& path) {
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring result(size, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), result.data(), size);
    if (length == 0 || length >= size) return {};
    result.resize(length);
    return result;
}

void Win32FileSystem::append_file(const std::wstring& path, std::string_view bytes) {
    const std::wstring action = L"Impossibile scrivere nel file " + path;
    ScopedFileHandle file = open_file(path, FILE_APPEND_DATA, OPEN_ALWAYS, action);
    write_all(file.get(), bytes, action);
}

namespace {

/// Marks an open file for deletion: it goes when its last handle is closed.
bool delete_when_closed(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

/// Renames an open file, which stays open under its new name; fails with
/// ERROR_ALREADY_EXISTS when something has that name.
bool rename_open_file(HANDLE file, const std::wstring& to) {
    const DWORD name_bytes = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    std::vector<std::uint64_t> buffer((sizeof(FILE_RENAME_INFO) + name_bytes) / sizeof(std::uint64_t) + 1);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = name_bytes;
    std::copy(to.begin(), to.end(), rename->FileName);
    return SetFileInformationByHandle(file, FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)));
}

}  // namespace

void Win32FileSystem::create_file(const std::wstring& path, std::string_view bytes) {
    ScopedFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) raise(GetLastError(), L"Impossibile creare il file " + path);
    try {
        write_all(file.get(), bytes, L"Impossibile scrivere nel file " + path);
    } catch (...) {
        delete_when_closed(file.get());  // this call's own file, never whole
        throw;
    }
}

namespace {

class Win32HeldFile : public runtime::FileSystem::HeldFile {
public:
    Win32HeldFile(ScopedFileHandle file, std::wstring path) : file_(std::move(file)), path_(std::move(path)) {}

    std::string read() override {
        const std::wstring action = L"Impossibile leggere il file " + path_;
        seek(0, action);
        return read_all(file_.get(), action);
    }

    void rewrite(std::string_view bytes) override {
        const std::wstring action = L"Impossibile scrivere nel file " + path_;
        const std::string now = read();
        std::size_t same = 0;
        while (same < now.size() && same < bytes.size() && now[same] == bytes[same]) ++same;
        seek(same, action);
        write_all(file_.get(), bytes.substr(same), action);
        if (!SetEndOfFile(file_.get()) || !FlushFileBuffers(file_.get())) raise(GetLastError(), action);
    }

    void remove() override {
        if (!delete_when_closed(file_.get())) raise(GetLastError(), L"Impossibile eliminare il file " + path_);
    }

private:
    void seek(std::size_t offset, const std::wstring& action) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) raise(GetLastError(), action);
    }

    ScopedFileHandle file_;
    std::wstring path_;
};

}  // namespace

std::unique_ptr<runtime::FileSystem::HeldFile> Win32FileSystem::create_held(const std::wstring& path,
                                                                            std::string_view bytes) {
    // Written whole under a name of this run's own, created exclusively (a run
    // on another machine that shares the folder takes another), then renamed
    // while held: the file is never seen in part, and is held from its first
    // moment under its name. The rename fails when the name is taken.
    for (unsigned n = 1; n <= runtime::kHeldFileTemporaries; ++n) {
        const std::wstring temporary = runtime::held_file_temporary(path, n);
        ScopedFileHandle file(CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD code = GetLastError();
            if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
            raise(code, L"Impossibile creare il file " + temporary);
        }
        try {
            write_all(file.get(), bytes, L"Impossibile scrivere nel file " + temporary);
            if (rename_open_file(file.get(), path)) return std::make_unique<Win32HeldFile>(std::move(file), path);
        } catch (...) {
            delete_when_closed(file.get());
            throw;
        }
        const DWORD code = GetLastError();
        delete_when_closed(file.get());
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return nullptr;
        raise(code, L"Impossibile rinominare " + temporary + L" in " + path);
    }
    raise(ERROR_FILE_EXISTS, L"Impossibile creare il file " + runtime::held_file_temporary(path, 1));
}

std::unique_ptr<runtime::FileSystem::HeldFile> Win32FileSystem::hold(const std::wstring& path) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return nullptr;
        raise(code, L"Impossibile aprire il file " + path);
    }
    return std::make_unique<Win32HeldFile>(std::move(file), path);
}

}  // namespace platform
