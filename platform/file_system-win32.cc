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

void delete_tree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    ScopedFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) raise(GetLastError(), L"Impossibile eliminare la cartella " + folder);
    do {
        if (is_dot_entry(entry.cFileName)) continue;
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            delete_tree(path);
        } else {
            // Read-only files are not forced: the deletion stops there.
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                raise(ERROR_ACCESS_DENIED, L"Impossibile eliminare il file di sola lettura " + path);
            if (!DeleteFileW(path.c_str())) raise(GetLastError(), L"Impossibile eliminare il file " + path);
        }
    } while (FindNextFileW(find.get(), &entry));
    find.reset();
    if (!RemoveDirectoryW(folder.c_str())) raise(GetLastError(), L"Impossibile eliminare la cartella " + folder);
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

void write_all(HANDLE file, std::string_view bytes, const std::wstring& action) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            raise(GetLastError(), action);
        bytes.remove_prefix(written);
    }
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

void Win32FileSystem::delete_file(const std::wstring& path) {
    if (!DeleteFileW(path.c_str())) raise(GetLastError(), L"Impossibile eliminare il file " + path);
}

bool Win32FileSystem::folder_exists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32FileSystem::delete_folder(const std::wstring& path) { delete_tree(path); }

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
    ScopedFileHandle file = open_file(path, GENERIC_WRITE, TRUNCATE_EXISTING, action);
    write_all(file.get(), bytes, action);
}

}  // namespace platform
