#include "libs/stkit/program_group-win32.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <vector>

namespace stkit {

namespace {

constexpr std::wstring_view programs_token = L"$(Programs)";

bool is_device_name(std::wstring_view name) {
    // The device names stay devices whatever extension follows them.
    std::wstring stem(name.substr(0, name.find(L'.')));
    for (auto& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    static constexpr std::array<std::wstring_view, 4> fixed{L"CON", L"PRN", L"AUX", L"NUL"};
    if (std::find(fixed.begin(), fixed.end(), stem) != fixed.end()) return true;
    return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'1' &&
           stem[3] <= L'9';
}

bool starts_with_ignoring_case(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool is_plain_name(std::wstring_view name) {
    if (name.empty() || name.back() == L'.' || name.back() == L' ') return false;
    for (wchar_t c : name)
        if (c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) return false;
    return !is_device_name(name);
}

std::wstring programs_folder(bool users_own) {
    wchar_t path[MAX_PATH] = {};
    const int folder = users_own ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS;
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

std::wstring resolve_parent_folder(std::wstring_view parent, bool users_own) {
    std::wstring_view rest = parent;
    std::wstring folder;
    if (starts_with_ignoring_case(parent, programs_token)) {
        folder = programs_folder(users_own);
        if (folder.empty()) return {};
        rest.remove_prefix(programs_token.size());
        // The token names a whole folder: "$(Programs)Extra" names none.
        if (!rest.empty() && rest.front() != L'\\') return {};
    }
    if (rest.find(L"$(") != std::wstring_view::npos) return {};
    folder += rest;
    // A relative parent would depend on the caller's current folder.
    const bool absolute = (folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\') ||
                          folder.starts_with(L"\\\\");
    if (!absolute) return {};
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
}

ProgramGroup::~ProgramGroup() {
    if (kept_) return;
    // Deepest first; a folder that something else filled meanwhile stays.
    for (auto made = made_.rbegin(); made != made_.rend(); ++made) RemoveDirectoryW(made->c_str());
}

bool ProgramGroup::open(const std::wstring& base, std::wstring_view group) {
    if (base.empty()) return false;
    // Every name is checked before the first folder is made.
    std::vector<std::wstring_view> names;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(group.find(L'\\', start), group.size());
        names.push_back(group.substr(start, end - start));
        if (!is_plain_name(names.back())) return false;
        if (end == group.size()) break;
        start = end + 1;
    }

    folder_ = base;
    for (std::wstring_view name : names) {
        (folder_ += L'\\') += name;
        const DWORD attributes = GetFileAttributesW(folder_.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryW(folder_.c_str(), nullptr)) return false;
            made_.push_back(folder_);
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return false;
        }
    }
    return true;
}

}  // namespace stkit
