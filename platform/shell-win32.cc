#include "platform/shell-win32.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/scoped-win32.h"
#include "runtime/run_time_error.h"
#include "runtime/text.h"

namespace platform {
namespace {

class Win32ShellLink : public runtime::ShellLink {
public:
    Win32ShellLink(ComPtr<IShellLinkA> link, ComPtr<IPersistFile> file)
        : link_(std::move(link)), file_(std::move(file)) {}

    std::int32_t load(const std::wstring& shortcut, std::uint32_t mode) override {
        return file_->Load(shortcut.c_str(), mode);
    }
    std::int32_t get_path(std::string& buffer, std::uint32_t flags) override {
        WIN32_FIND_DATAA find_data{};
        return link_->GetPath(buffer.data(), capacity(buffer), &find_data, flags);
    }
    std::int32_t get_working_directory(std::string& buffer) override {
        return link_->GetWorkingDirectory(buffer.data(), capacity(buffer));
    }
    std::int32_t get_arguments(std::string& buffer) override {
        return link_->GetArguments(buffer.data(), capacity(buffer));
    }
    std::int32_t get_description(std::string& buffer) override {
        return link_->GetDescription(buffer.data(), capacity(buffer));
    }
    std::int32_t get_hotkey(std::uint16_t& hotkey) override {
        WORD value = 0;
        const HRESULT status = link_->GetHotkey(&value);
        hotkey = value;
        return status;
    }
    std::int32_t get_icon_location(std::string& buffer, std::int32_t& index) override {
        int value = index;
        const HRESULT status = link_->GetIconLocation(buffer.data(), capacity(buffer), &value);
        index = value;
        return status;
    }
    std::int32_t get_id_list() override {
        ScopedCoTaskMem<ITEMIDLIST> list;
        return link_->GetIDList(list.put());
    }
    std::int32_t get_show_cmd(std::int32_t& show_cmd) override {
        int value = show_cmd;
        const HRESULT status = link_->GetShowCmd(&value);
        show_cmd = value;
        return status;
    }

private:
    static int capacity(const std::string& buffer) { return static_cast<int>(buffer.size()); }

    ComPtr<IShellLinkA> link_;
    ComPtr<IPersistFile> file_;
};

std::wstring shell_folder(int csidl, const wchar_t* what) {
    wchar_t path[MAX_PATH];
    runtime::check_status(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path), what);
    return path;
}

/// The folders of the profiles in the registry's list, %VARIABLES% expanded.
std::vector<std::wstring> profile_folders() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                      KEY_READ, &opened) != ERROR_SUCCESS)
        throw runtime::RunTimeError(runtime::error_number::path_not_found,
                                    L"Impossibile leggere l'elenco dei profili degli utenti");
    const ScopedRegistryKey list(opened);
    std::vector<std::wstring> folders;
    for (DWORD index = 0;; ++index) {
        wchar_t sid[256];
        DWORD sid_length = 256;
        const LSTATUS status = RegEnumKeyExW(list.get(), index, sid, &sid_length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        wchar_t raw[MAX_PATH];
        DWORD size = sizeof raw;
        if (RegGetValueW(list.get(), sid, L"ProfileImagePath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                         nullptr, raw, &size) != ERROR_SUCCESS)
            continue;
        wchar_t expanded[MAX_PATH];
        const DWORD length = ExpandEnvironmentStringsW(raw, expanded, MAX_PATH);
        if (length == 0 || length > MAX_PATH) continue;
        folders.emplace_back(expanded);
    }
    return folders;
}

}  // namespace

std::wstring Win32Shell::windows_folder() {
    char buffer[255];
    std::fill(std::begin(buffer), std::end(buffer), ' ');
    const UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        throw runtime::RunTimeError(runtime::error_number::path_not_found,
                                    L"Impossibile leggere la cartella di Windows");
    return runtime::from_ansi(std::string_view(buffer, length));
}

std::wstring Win32Shell::application_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring Win32Shell::programs_folder() {
    return shell_folder(CSIDL_PROGRAMS, L"Impossibile leggere la cartella Programmi del menu Start");
}

std::wstring Win32Shell::all_users_programs_folder() {
    return shell_folder(CSIDL_COMMON_PROGRAMS,
                        L"Impossibile leggere la cartella Programmi del menu Start di tutti gli utenti");
}

std::vector<std::wstring> Win32Shell::profile_programs_folders() {
    // Where Programs lies inside a profile, as it lies inside the current
    // user's; the usual place when the current user's is elsewhere.
    std::wstring inside = L"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
    try {
        const std::wstring own = shell_folder(CSIDL_PROFILE, L"profilo");
        const std::wstring programs = programs_folder();
        if (programs.size() > own.size() && _wcsnicmp(programs.c_str(), own.c_str(), own.size()) == 0 &&
            programs[own.size()] == L'\\')
            inside = programs.substr(own.size());
    } catch (const runtime::RunTimeError&) {
    }

    std::vector<std::wstring> folders;
    for (const std::wstring& profile : profile_folders()) folders.push_back(profile + inside);
    return folders;
}

std::unique_ptr<runtime::ShellLink> Win32Shell::create_shell_link() {
    ComPtr<IShellLinkA> link;
    const HRESULT created =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void());
    if (FAILED(created))
        throw runtime::RunTimeError(runtime::error_number::cannot_create_object,
                                    runtime::RunTimeError::from_status(
                                        created, L"Impossibile creare l'oggetto collegamento della shell")
                                        .description());
    ComPtr<IPersistFile> file;
    runtime::check_status(link->QueryInterface(IID_IPersistFile, file.put_void()),
                          L"L'oggetto collegamento della shell non offre IPersistFile");
    return std::make_unique<Win32ShellLink>(std::move(link), std::move(file));
}

}  // namespace platform
