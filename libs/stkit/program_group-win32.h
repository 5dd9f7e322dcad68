#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace stkit {

/// Whether `name` can stand as one folder or file name exactly as given: not
/// empty, no path separators, wildcards or control characters, no trailing dot
/// or space (the file system would silently drop them and the caller would get
/// a different name), and not a device name such as CON or LPT1.
bool is_plain_name(std::wstring_view name);

/// The Start-menu Programs folder: the user's own one, or the one shared by all
/// users. Empty when the system cannot tell.
std::wstring programs_folder(bool users_own);

/// The folder that a parent-folder text names. "$(Programs)" at its start stands
/// for the Programs folder chosen by `users_own`; any other "$(...)" token is not
/// known, and gives the empty text, as does an empty or relative parent.
std::wstring resolve_parent_folder(std::wstring_view parent, bool users_own);

/// A program group: the folders of `group` (names separated by backslashes)
/// below an existing base folder, made where missing. The folders it made are
/// removed again when it is destroyed, unless keep() was called: a call that
/// fails after making them leaves the Start menu as it was.
class ProgramGroup {
public:
    ProgramGroup() = default;
    ~ProgramGroup();
    ProgramGroup(const ProgramGroup&) = delete;
    ProgramGroup& operator=(const ProgramGroup&) = delete;

    /// False when the group name is not a plain name (or plain names joined by
    /// backslashes), or a folder of it cannot be made or is a file.
    bool open(const std::wstring& base, std::wstring_view group);
    const std::wstring& folder() const { return folder_; }
    void keep() { kept_ = true; }

private:
    std::wstring folder_;
    std::vector<std::wstring> made_;
    bool kept_ = false;
};

}  // namespace stkit
