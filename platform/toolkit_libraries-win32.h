#pragma once
#include <windows.h>

#include <map>
#include <string>

#include "platform/scoped-win32.h"
#include "runtime/toolkit_libraries.h"

namespace platform {

/// The setup-toolkit libraries in the system folder, where setups install
/// them; one beside the program or in the current folder is never loaded. A library
/// called once stays loaded, with its entry bound, for the life of this object,
/// as a declared library function stays bound for the life of the program.
class Win32ToolkitLibraries final : public runtime::ToolkitLibraries {
public:
    Win32ToolkitLibraries() = default;
    Win32ToolkitLibraries(const Win32ToolkitLibraries&) = delete;
    Win32ToolkitLibraries& operator=(const Win32ToolkitLibraries&) = delete;

    bool probe(const std::string& name) override;
    std::int32_t create_shell_link(const std::string& library, const std::string& group, const std::string& name,
                                   const std::string& target, const std::string& arguments) override;
    std::int32_t create_shell_link(const std::string& library, const std::string& group, const std::string& name,
                                   const std::string& target, const std::string& arguments,
                                   std::int32_t private_flag, const std::string& parent) override;

private:
    struct BoundEntry {
        ScopedModule library;
        FARPROC entry;
    };

    /// fCreateShellLink of `library`, loading the library at its first use;
    /// raises run-time error 53 or 48 when it cannot be loaded, 453 when it
    /// lacks the entry.
    FARPROC entry_of(const std::string& library);

    std::map<std::string, BoundEntry> bound_;
};

}  // namespace platform
