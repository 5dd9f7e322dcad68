#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace runtime {

/// The shell link object through its ANSI interface. Each operation returns the
/// object's status code: negative is a failure, zero and positive are success.
/// Text buffers are passed as single-byte strings whose size is the capacity
/// handed to the object; the object writes its value and a NUL at their start
/// and leaves the rest as it was.
class ShellLink {
public:
    virtual ~ShellLink() = default;
    virtual std::int32_t load(const std::wstring& shortcut, std::uint32_t mode) = 0;
    virtual std::int32_t get_path(std::string& buffer, std::uint32_t flags) = 0;
    virtual std::int32_t get_working_directory(std::string& buffer) = 0;
    virtual std::int32_t get_arguments(std::string& buffer) = 0;
    virtual std::int32_t get_description(std::string& buffer) = 0;
    virtual std::int32_t get_hotkey(std::uint16_t& hotkey) = 0;
    virtual std::int32_t get_icon_location(std::string& buffer, std::int32_t& index) = 0;
    /// Fetches the item-ID list and releases it again.
    virtual std::int32_t get_id_list() = 0;
    virtual std::int32_t get_show_cmd(std::int32_t& show_cmd) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;
    /// The Windows folder, without a trailing backslash.
    virtual std::wstring windows_folder() = 0;
    /// The folder of the running program.
    virtual std::wstring application_folder() = 0;
    /// The current user's Start-menu Programs folder.
    virtual std::wstring programs_folder() = 0;
    /// The Start-menu Programs folder shared by all users.
    virtual std::wstring all_users_programs_folder() = 0;
    /// The Start-menu Programs folder of every user profile on the machine,
    /// as far as the profiles can be read; the current user's among them.
    virtual std::vector<std::wstring> profile_programs_folders() = 0;
    /// A new shell link object; raises a RunTimeError when it cannot be created
    /// or does not offer its file interface.
    virtual std::unique_ptr<ShellLink> create_shell_link() = 0;
};

}  // namespace runtime
