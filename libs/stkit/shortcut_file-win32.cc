#include "libs/stkit/shortcut_file-win32.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/scoped-win32.h"

namespace stkit {

namespace {

// The longest arguments text a shortcut holds.
constexpr std::size_t max_arguments = 1023;

/// A file that is deleted again unless it was moved to where it belongs.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& path() const { return path_; }
    bool move_to(const std::wstring& destination) {
        if (!MoveFileExW(path_.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return false;
        path_.clear();
        return true;
    }

private:
    std::wstring path_;
};

std::wstring folder_of(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return {};
    // "C:\program.exe" works in "C:\", not in "C:".
    return path.substr(0, separator == 2 && path[1] == L':' ? 3 : separator);
}

}  // namespace

bool write_shortcut(const std::wstring& folder, const std::wstring& name, const Shortcut& shortcut) {
    const std::wstring destination = folder + L'\\' + name + L".lnk";
    if (shortcut.target.empty() || shortcut.target.size() >= MAX_PATH || destination.size() >= MAX_PATH ||
        shortcut.arguments.size() > max_arguments)
        return false;

    platform::ScopedComInitialization com;
    if (!com.usable()) return false;
    platform::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())))
        return false;
    if (FAILED(link->SetPath(shortcut.target.c_str())) || FAILED(link->SetArguments(shortcut.arguments.c_str())) ||
        FAILED(link->SetWorkingDirectory(folder_of(shortcut.target).c_str())))
        return false;
    platform::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;

    wchar_t temporary_path[MAX_PATH] = {};
    if (!GetTempFileNameW(folder.c_str(), L"lnk", 0, temporary_path)) return false;
    TemporaryFile temporary(temporary_path);
    if (FAILED(file->Save(temporary.path().c_str(), FALSE))) return false;
    return temporary.move_to(destination);
}

}  // namespace stkit
