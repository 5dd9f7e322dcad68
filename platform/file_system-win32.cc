#include "platform/file_system-win32.h"

#include <windows.h>

#include <algorithm>

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
/// it points to is not ours.
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

/// Writes every byte and flushes them to the disk: the next step of the
/// caller may rely on them surviving a power cut.
void write_all(HANDLE file, std::string_view bytes, const std::wstring& action) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            raise(GetLastError(), action);
        bytes.remove_prefix(written);
    }
    if (!FlushFileBuffers(file)) raise(GetLastError(), action);
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

void Win32FileSystem::delete_folder(const std::wstring& path) {
    walk(
        path,
        [](const std::wstring& file, DWORD attributes) {
            // Read-only files are not forced: the deletion stops there.
            if (attributes & FILE_ATTRIBUTE_READONLY)
                raise(ERROR_ACCESS_DENIED, L"Impossibile eliminare il file di sola lettura " + file);
            remove_file(file);
        },
        remove_folder);
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
    const auto writable = [](const std::wstring& entry, DWORD attributes) {
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(entry.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    };
    const auto remove_any_file = [&](const std::wstring& file, DWORD attributes) {
        writable(file, attributes);
        remove_file(file);
    };
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return remove_any_file(path, attributes);
    walk(path, remove_any_file, [&](const std::wstring& folder) {
        writable(folder, GetFileAttributesW(folder.c_str()));
        remove_folder(folder);
    });
}

std::vector<std::wstring> Win32FileSystem::list_tree(const std::wstring& folder) {
    std::vector<std::wstring> paths;
    const auto add = [&](const std::wstring& path) {
        if (path.size() > folder.size()) paths.push_back(path.substr(folder.size() + 1));
    };
    walk(folder, [&](const std::wstring& file, DWORD) { add(file); }, add);
    return paths;
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
    ScopedFileHandle file = open_file(path, GENERIC_READ, OPEN_EXISTING, action);
    std::string content;
    char chunk[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) raise(GetLastError(), action);
        if (read == 0) break;
        content.append(chunk, read);
    }
    return content;
}

void Win32FileSystem::append_file(const std::wstring& path, std::string_view bytes) {
    const std::wstring action = L"Impossibile scrivere nel file " + path;
    ScopedFileHandle file = open_file(path, FILE_APPEND_DATA, OPEN_ALWAYS, action);
    write_all(file.get(), bytes, action);
}

void Win32FileSystem::write_file(const std::wstring& path, std::string_view bytes) {
    const std::wstring action = L"Impossibile scrivere nel file " + path;
    ScopedFileHandle file = open_file(path, GENERIC_WRITE, OPEN_ALWAYS, action);
    // Cut to length first: a shorter content must not keep the old tail.
    if (!SetEndOfFile(file.get())) raise(GetLastError(), action);
    write_all(file.get(), bytes, action);
}

}  // namespace platform
