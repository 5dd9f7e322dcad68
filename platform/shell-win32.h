#pragma once
#include "runtime/shell.h"

namespace platform {

/// The shell's folders and its link object. COM must be initialised on the
/// calling thread (the program does it at start).
class Win32Shell : public runtime::Shell {
public:
    std::wstring windows_folder() override;
    std::wstring application_folder() override;
    std::wstring programs_folder() override;
    std::wstring all_users_programs_folder() override;
    /// The profiles the system lists (ProfileList in the registry), each with
    /// the current user's Programs folder's place inside a profile.
    std::vector<std::wstring> profile_programs_folders() override;
    std::unique_ptr<runtime::ShellLink> create_shell_link() override;
};

}  // namespace platform
