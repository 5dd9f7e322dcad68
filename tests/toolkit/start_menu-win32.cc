#include "tests/toolkit/start_menu-win32.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/scoped-win32.h"

namespace toolkit_test {

namespace fs = std::filesystem;

std::wstring programs_folder(bool users_own) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, users_own ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

ScratchGroup::ScratchGroup(std::wstring name) : name_(std::move(name)) { remove(); }

ScratchGroup::~ScratchGroup() { remove(); }

std::wstring ScratchGroup::folder(bool users_own) const { return programs_folder(users_own) + L'\\' + name_; }

void ScratchGroup::remove() const {
    remove_tree(folder(true));
    remove_tree(folder(false));
}

void remove_tree(const std::wstring& folder) {
    std::error_code ignored;
    if (!fs::exists(folder, ignored)) return;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(folder, ignored);
}

std::optional<ShortcutContent> read_shortcut(const std::wstring& path) {
    platform::ScopedComInitialization com;
    platform::ComPtr<IShellLinkW> link;
    platform::ComPtr<IPersistFile> file;
    if (!com.usable() ||
        FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return std::nullopt;

    wchar_t target[MAX_PATH] = {}, arguments[1024] = {}, working_folder[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) ||
        FAILED(link->GetArguments(arguments, 1024)) || FAILED(link->GetWorkingDirectory(working_folder, MAX_PATH)))
        return std::nullopt;
    return ShortcutContent{target, arguments, working_folder};
}

bool is_file(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_folder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> folder_entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace toolkit_test
