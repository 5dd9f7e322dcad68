#pragma once
// What a 32-bit x86 caller of a __stdcall entry relies on: the callee pops its
// own arguments, each in a slot of four bytes or a multiple of four, and the
// linker names the entry symbol@N after those bytes. x86-64 has one calling
// convention, so there is nothing to check there.
#include <cstddef>

namespace stdcall_abi {

#if defined(_WIN32) && defined(__i386__)
#define ABI_CHECKS_STDCALL 1

/// Left undefined: a function pointer type that is not __stdcall has no
/// argument bytes, and a check that asks for them does not compile.
template <typename Function>
struct StdcallArguments;

template <typename Result, typename... Arguments>
struct StdcallArguments<Result(__stdcall*)(Arguments...)> {
    static constexpr std::size_t bytes = (((sizeof(Arguments) + 3) / 4 * 4) + ... + std::size_t{0});
};

/// The bytes of arguments that a __stdcall function of this pointer type pops.
template <typename Function>
constexpr std::size_t argument_bytes = StdcallArguments<Function>::bytes;
#endif

}  // namespace stdcall_abi
