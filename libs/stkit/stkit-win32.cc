// The setup-toolkit libraries STKIT432.DLL, VB5STKIT.DLL and VB6STKIT.DLL share
// this source. Each one's .def file exports one of the two entries below under
// the name fCreateShellLink: the older two take four arguments, VB6STKIT six.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "libs/codec/codec.h"
#include "libs/stkit/call_record-win32.h"
#include "libs/stkit/program_group-win32.h"
#include "libs/stkit/shortcut_file-win32.h"
#include "libs/stkit/stkit.h"
#include "module_definition.h"

namespace {

std::string_view text_or_empty(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// Callers hand over text in the process's ANSI code page.
std::wstring from_ansi(std::string_view text) { return codec::from_ansi<wchar_t>(text); }

struct Request {
    std::wstring parent_folder;
    const char* group;
    const char* name;
    const char* target;
    const char* arguments;
};

bool create_shell_link(const Request& request) {
    if (!request.group || !request.name || !request.target || !request.arguments) return false;
    const std::wstring name = from_ansi(request.name);
    if (!stkit::is_plain_name(name)) return false;

    stkit::ProgramGroup group;
    if (!group.open(request.parent_folder, from_ansi(request.group))) return false;
    if (!stkit::write_shortcut(group.folder(), name, {from_ansi(request.target), from_ansi(request.arguments)}))
        return false;
    group.keep();
    return true;
}

// No exception may leave a library entry; one that would (memory exhausted)
// is a failed call like any other.
template <typename Call>
std::int32_t guarded(Call call) {
    try {
        return call() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace

/// The four-argument form: `group` below the user's own Programs folder.
extern "C" std::int32_t __stdcall stkit_create_shell_link_4(const char* group, const char* name, const char* target,
                                                             const char* arguments) {
    return guarded([&] {
        stkit::record_call({text_or_empty(group), text_or_empty(name), text_or_empty(target), text_or_empty(arguments)});
        return create_shell_link({stkit::programs_folder(true), group, name, target, arguments});
    });
}

/// The six-argument form: `group` below `parent`, where "$(Programs)" names the
/// user's own Programs folder when `private_group` is non-zero and the one shared
/// by all users when it is 0.
extern "C" std::int32_t __stdcall stkit_create_shell_link_6(const char* group, const char* name, const char* target,
                                                             const char* arguments, std::int32_t private_group,
                                                             const char* parent) {
    return guarded([&] {
        const std::string flag = std::to_string(private_group);
        stkit::record_call({text_or_empty(group), text_or_empty(name), text_or_empty(target), text_or_empty(arguments),
                            flag, text_or_empty(parent)});
        if (!parent) return false;
        return create_shell_link({stkit::resolve_parent_folder(from_ansi(parent), private_group != 0), group, name,
                                  target, arguments});
    });
}

// Each is the entry its callers bind, and pops the bytes that this library's
// module-definition file names it with.
static_assert(std::is_same_v<decltype(&stkit_create_shell_link_4), stkit::CreateShellLink4>);
static_assert(std::is_same_v<decltype(&stkit_create_shell_link_6), stkit::CreateShellLink6>);
#if defined(ABI_CHECKS_STDCALL) && defined(DEF_ARGUMENT_BYTES_stkit_create_shell_link_4)
static_assert(stdcall_abi::argument_bytes<stkit::CreateShellLink4> == DEF_ARGUMENT_BYTES_stkit_create_shell_link_4);
#endif
#if defined(ABI_CHECKS_STDCALL) && defined(DEF_ARGUMENT_BYTES_stkit_create_shell_link_6)
static_assert(stdcall_abi::argument_bytes<stkit::CreateShellLink6> == DEF_ARGUMENT_BYTES_stkit_create_shell_link_6);
#endif
