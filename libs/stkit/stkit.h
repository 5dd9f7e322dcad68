#pragma once
// The entry fCreateShellLink of the setup-toolkit libraries, as callers bind it
// by name: STKIT432.DLL and VB5STKIT.DLL take four texts, VB6STKIT.DLL six
// arguments. Texts are NUL-terminated, in the process's ANSI code page; the
// answer is non-zero for success.
#include <cstdint>

#include "libs/abi/stdcall.h"

namespace stkit {

using CreateShellLink4 = std::int32_t(__stdcall*)(const char* group, const char* name, const char* target,
                                                  const char* arguments);
using CreateShellLink6 = std::int32_t(__stdcall*)(const char* group, const char* name, const char* target,
                                                  const char* arguments, std::int32_t private_flag,
                                                  const char* parent);

#if defined(ABI_CHECKS_STDCALL)
static_assert(stdcall_abi::argument_bytes<CreateShellLink4> == 16, "four 4-byte arguments");
static_assert(stdcall_abi::argument_bytes<CreateShellLink6> == 24, "six 4-byte arguments");
#endif

}  // namespace stkit
