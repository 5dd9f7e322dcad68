#pragma once
// Libraries bound at run time, as a declared library function is bound, and the
// run-time errors the program reports for them. A library named without a
// folder is looked for in the system folder alone: an installer started from a
// downloads folder must not load whatever someone placed beside it.
#include <windows.h>

#include <string>

#include "platform/scoped-win32.h"

namespace platform {

/// Limits the library search of the whole process to the system folder, for
/// the libraries the system itself loads later too. Call it first thing; false
/// where the system cannot do it.
bool limit_library_search();

/// Loads `name`, a full path or a name looked for in the system folder alone;
/// what it imports is looked for there too. No system error box. An empty
/// module when it does not load; `error` then says why.
ScopedModule try_load_library(const std::wstring& name, DWORD* error = nullptr);

/// Loads `name`, or raises run-time error 53 when it is not found and 48 when it
/// is found but cannot be loaded; the description names the library.
ScopedModule load_library(const std::wstring& name);

/// The entry `entry` of a loaded library, or run-time error 453 naming the entry
/// and the library.
FARPROC library_entry(HMODULE module, const char* entry, const std::wstring& library);

/// A typed entry. The detour through a function without parameters is the
/// documented way to convert between function pointer types.
template <typename Entry>
Entry entry_cast(FARPROC address) {
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(address));
}

}  // namespace platform
