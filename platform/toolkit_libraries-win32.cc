#include "platform/toolkit_libraries-win32.h"

#include "libs/stkit/stkit.h"
#include "platform/library-win32.h"
#include "runtime/text.h"

namespace platform {

namespace {

constexpr char entry_name[] = "fCreateShellLink";

}  // namespace

bool Win32ToolkitLibraries::probe(const std::string& name) {
    // Loaded and released at once: the probe only asks whether it loads.
    return static_cast<bool>(try_load_library(runtime::from_ansi(name)));
}

FARPROC Win32ToolkitLibraries::entry_of(const std::string& library) {
    if (const auto found = bound_.find(library); found != bound_.end()) return found->second.entry;
    const std::wstring wide_name = runtime::from_ansi(library);
    ScopedModule module = load_library(wide_name);
    const FARPROC entry = library_entry(module.get(), entry_name, wide_name);
    bound_.emplace(library, BoundEntry{std::move(module), entry});
    return entry;
}

std::int32_t Win32ToolkitLibraries::create_shell_link(const std::string& library, const std::string& group,
                                                      const std::string& name, const std::string& target,
                                                      const std::string& arguments) {
    return entry_cast<stkit::CreateShellLink4>(entry_of(library))(group.c_str(), name.c_str(), target.c_str(), arguments.c_str());
}

std::int32_t Win32ToolkitLibraries::create_shell_link(const std::string& library, const std::string& group,
                                                      const std::string& name, const std::string& target,
                                                      const std::string& arguments, std::int32_t private_flag,
                                                      const std::string& parent) {
    return entry_cast<stkit::CreateShellLink6>(entry_of(library))(group.c_str(), name.c_str(), target.c_str(), arguments.c_str(),
                                                   private_flag, parent.c_str());
}

}  // namespace platform
