#include "platform/process_facts-win32.h"

#include <shellapi.h>

#include <cstring>
#include <memory>

#include "platform/scoped-win32.h"

namespace platform {

std::wstring command_line() { return GetCommandLineW(); }

std::vector<std::wstring> command_line_arguments() {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> arguments(CommandLineToArgvW(GetCommandLineW(), &count),
                                                                  &LocalFree);
    std::vector<std::wstring> result;
    for (int i = 1; arguments && i < count; ++i) result.emplace_back(arguments.get()[i]);
    return result;
}

std::wstring account() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return L"sconosciuto";
    const ScopedKernelHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return L"sconosciuto";
    wchar_t name[256], domain[256];
    DWORD name_size = 256, domain_size = 256;
    SID_NAME_USE use;
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    if (!LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) return L"sconosciuto";
    std::wstring result = domain_size ? std::wstring(domain) + L"\\" + name : std::wstring(name);
    TOKEN_ELEVATION elevation{};
    if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated)
        result += L" (elevato)";
    return result;
}

std::wstring program_version() {
    // Read from the resource itself: the version library would be one more
    // library to load, and it is not one the system always takes from its folder.
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));  // VS_VERSION_INFO, RT_VERSION
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = found ? SizeofResource(nullptr, found) : 0;
    for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, bytes + at, sizeof info);
        if (info.dwSignature != 0xFEEF04BD) continue;
        return std::to_wstring(HIWORD(info.dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info.dwFileVersionMS)) +
               L"." + std::to_wstring(HIWORD(info.dwFileVersionLS)) + L"." +
               std::to_wstring(LOWORD(info.dwFileVersionLS));
    }
    return L"sconosciuta";
}

std::wstring full_path(const std::wstring& path) {
    std::wstring expanded(ExpandEnvironmentStringsW(path.c_str(), nullptr, 0), L'\0');
    if (expanded.empty() || !ExpandEnvironmentStringsW(path.c_str(), expanded.data(), static_cast<DWORD>(expanded.size())))
        expanded = path;
    else
        expanded.resize(expanded.size() - 1);
    std::wstring full(GetFullPathNameW(expanded.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length = full.empty() ? 0 : GetFullPathNameW(expanded.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return expanded;
    full.resize(length);
    return full;
}

std::wstring system_message(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                                message.back() == L'.'))
        message.pop_back();
    return (message.empty() ? L"errore" : message) + L" (codice " + std::to_wstring(code) + L")";
}

}  // namespace platform
