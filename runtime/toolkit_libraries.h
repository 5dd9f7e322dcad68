#pragma once
#include <cstdint>
#include <string>

namespace runtime {

/// The setup-toolkit libraries and their fCreateShellLink. Texts are single-byte
/// ANSI text, as the libraries take them.
class ToolkitLibraries {
public:
    virtual ~ToolkitLibraries() = default;

    /// Loads the library of that name through the normal library search and
    /// releases it again at once: whether it loaded.
    virtual bool probe(const std::string& name) = 0;

    /// fCreateShellLink of `library` with four arguments. The library is bound
    /// on first use and stays loaded; a library that cannot be loaded or lacks
    /// the entry raises a RunTimeError.
    virtual std::int32_t create_shell_link(const std::string& library, const std::string& group,
                                           const std::string& name, const std::string& target,
                                           const std::string& arguments) = 0;

    /// The six-argument form of the same entry.
    virtual std::int32_t create_shell_link(const std::string& library, const std::string& group,
                                           const std::string& name, const std::string& target,
                                           const std::string& arguments, std::int32_t private_flag,
                                           const std::string& parent) = 0;
};

}  // namespace runtime
