#pragma once
#include <initializer_list>
#include <string_view>

namespace stkit {

/// The environment variable that turns call recording on: it names a file.
inline constexpr wchar_t call_log_variable[] = L"STKIT_CALL_LOG";

/// When STKIT_CALL_LOG names a file, appends one line for this call to it: the
/// full path of the library that was called, the number of arguments, then the
/// arguments as the caller passed them, separated by tabs and ended by CR LF.
/// Tests read it to see which library was bound and what it was given; the call
/// itself behaves the same whether or not it is recorded.
void record_call(std::initializer_list<std::string_view> arguments);

}  // namespace stkit
