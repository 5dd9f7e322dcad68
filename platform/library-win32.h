#pragma once
// Libraries bound at run time by name, as a declared library function is: the
// normal library search, and the run-time errors the program reports for them.
#include <windows.h>

#include <string>

#include "platform/scoped-win32.h"

namespace platform {

/// Loads `name` through the normal library search, without a system error box.
/// An empty module when it does not load; `error` then says why.
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
