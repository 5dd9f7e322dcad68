#pragma once
// The libraries as a test sees them: which ones lie in the system folder, which
// are loaded, and what each was called with.
#include <set>
#include <string>
#include <vector>

#include "runtime/toolkit_libraries.h"

namespace toolkit_test {

/// The system folder, where setups install the libraries and the program
/// looks for them.
std::wstring system_folder();

/// Which of STKIT432.DLL, VB5STKIT.DLL and VB6STKIT.DLL lie in the system folder.
std::set<std::string> libraries_in_system_folder();

/// Whether the process has the library of that file name loaded.
bool is_loaded(const char* library);

/// One call as a library recorded it.
struct RecordedCall {
    std::wstring library_folder;
    std::string library;  // the file name, upper case
    std::vector<std::string> arguments;
};

/// Turns on the libraries' call recording into a fresh temporary file for the
/// life of the object.
class CallLog {
public:
    CallLog();
    ~CallLog();
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    std::vector<RecordedCall> calls() const;

private:
    std::wstring path_;
};

/// Passes everything on to the real libraries, noting the probes and the
/// libraries called.
class RecordingToolkits : public runtime::ToolkitLibraries {
public:
    explicit RecordingToolkits(runtime::ToolkitLibraries& real) : real_(real) {}

    bool probe(const std::string& name) override;
    std::int32_t create_shell_link(const std::string& library, const std::string& group, const std::string& name,
                                   const std::string& target, const std::string& arguments) override;
    std::int32_t create_shell_link(const std::string& library, const std::string& group, const std::string& name,
                                   const std::string& target, const std::string& arguments,
                                   std::int32_t private_flag, const std::string& parent) override;

    std::vector<std::string> probed, called;

private:
    runtime::ToolkitLibraries& real_;
};

}  // namespace toolkit_test
