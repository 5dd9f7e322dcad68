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

/// The end of the program: thrown to stop at once. It is not a RunTimeError and
/// not a std::exception, so no error trap catches it; only the top of the run does.
struct EndProgram {};

}  // namespace runtime
