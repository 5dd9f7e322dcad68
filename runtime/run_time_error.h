#pragma once
// The program's run-time errors: one type with a number and a description. They
// travel untouched to the top of the run, where the run-time error report shows
// them; routines with an error trap catch this type and nothing else.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace runtime {

/// Numbers of the run-time errors the program raises.
namespace error_number {
inline constexpr int invalid_procedure_call = 5;
inline constexpr int overflow = 6;
inline constexpr int out_of_memory = 7;
inline constexpr int type_mismatch = 13;
inline constexpr int dll_load_failed = 48;
inline constexpr int bad_file_name = 52;
inline constexpr int file_not_found = 53;
inline constexpr int file_already_exists = 58;
inline constexpr int internal_error = 51;
inline constexpr int permission_denied = 70;
inline constexpr int path_file_access = 75;
inline constexpr int path_not_found = 76;
inline constexpr int cannot_create_object = 429;
inline constexpr int dll_entry_not_found = 453;
}  // namespace error_number

class RunTimeError : public std::runtime_error {
public:
    /// `description` says what failed and, where it helps, on which file or object.
    RunTimeError(int number, std::wstring description);

    /// A failing status code (HRESULT) of a platform object; the number is the
    /// code itself read as a signed 32-bit value.
    static RunTimeError from_status(std::int32_t status, const std::wstring& what);

    /// The exception being handled, as a run-time error: itself, out of memory
    /// for std::bad_alloc, an internal error for anything else. Call it only
    /// inside a catch block.
    static RunTimeError from_current_exception();

    int number() const noexcept { return number_; }
    const std::wstring& description() const noexcept { return description_; }

private:
    int number_;
    std::wstring description_;
};

/// Raises the error for a negative (failing) status; zero and positive pass.
inline void check_status(std::int32_t status, const std::wstring& what) {
    if (status < 0) throw RunTimeError::from_status(status, what);
}

/// How a run ended, as the program's exit code: the values of Windows Installer,
/// which the scripts and deployment tools that start a patch on many machines
/// already read (1618 tells them to try again later).
namespace exit_code {
inline constexpr int installed = 0;
inline constexpr int failed = 1603;             // not installed; what was changed is rolled back
inline constexpr int already_running = 1618;
inline constexpr int log_not_created = 1622;     // the file named with /log cannot be created
inline constexpr int already_installed = 1638;
inline constexpr int invalid_command_line = 1639;
inline constexpr int not_applicable = 1642;     // the catalogue or the preceding patch is missing
}  // namespace exit_code

/// The end of the program: thrown to stop at once. It is not a RunTimeError and
/// not a std::exception, so no error trap catches it; only the top of the run does.
struct EndProgram {
    int exit_code;
};

}  // namespace runtime
