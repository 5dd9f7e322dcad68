// The library's two entries: argument checks, the caller's single-byte texts
// turned into UTF-16, and no exception ever crossing back into the caller.
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "entry_name.h"
#include "extraction.h"
#include "file_system.h"
#include "libs/codec/codec.h"
#include "libs/unzip32/unzip32.h"

#include <zlib.h>
// zlib names its version string macro like the version record's field.
#undef zlib_version

#if defined(ABI_CHECKS_STDCALL)
#include "module_definition.h"
// The module-definition file binds each export to symbol@N, N the bytes the
// entry pops; callers of the library push what the declaration says.
static_assert(stdcall_abi::argument_bytes<decltype(&UzpVersion2)> == DEF_ARGUMENT_BYTES_UzpVersion2);
static_assert(stdcall_abi::argument_bytes<decltype(&Wiz_SingleEntryUnzip)> == DEF_ARGUMENT_BYTES_Wiz_SingleEntryUnzip);
#endif

namespace {

constexpr uint8_t kVersionMajor = 1;
constexpr uint8_t kVersionMinor = 0;
constexpr uint8_t kVersionPatch = 0;
constexpr char kReleaseDate[] = "7 Dec 2026";
constexpr uint32_t kFlagUsesZlib = 1;

void copy_text(char* field, size_t size, const char* text) {
    std::memset(field, 0, size);
    std::strncpy(field, text, size - 1);
}

bool read_names(int32_t count, char** names, std::vector<std::u16string>& out) {
    if (count < 0 || (count > 0 && !names)) return false;
    for (int32_t i = 0; i < count; ++i) {
        if (!names[i]) continue;  // a null slot names nothing
        out.push_back(uz::normalized_name(codec::from_ansi(names[i])));
    }
    return true;
}

const char* unsupported_option(const DCL& options) {
    if (options.to_stdout) return "extraction to standard output";
    if (options.show_comment) return "display of the archive comment";
    if (options.detailed_info) return "detailed information mode";
    if (options.restore_security) return "restoring security information";
    return nullptr;
}

int32_t single_entry_unzip(int32_t include_count, char** include_names, int32_t exclude_count, char** exclude_names,
                           DCL* options, USERFUNCTIONS* callbacks) {
    uz::ExtractionRequest request;
    request.callbacks = callbacks;
    if (!options || !options->archive_name ||
        !read_names(include_count, include_names, request.include) ||
        !read_names(exclude_count, exclude_names, request.exclude)) {
        uz::print_message(request, u"error: invalid parameters\r\n", true);
        return UZP_BAD_PARAMETERS;
    }
    request.options = *options;
    request.archive_name = uz::from_caller_path(options->archive_name);
    if (options->extract_folder) request.target_folder = uz::from_caller_path(options->extract_folder);
    if (const char* option = unsupported_option(*options)) {
        uz::print_message(request, u"error: option not supported: " + codec::from_windows_1252(option) + u"\r\n", true);
        return UZP_UNSUPPORTED_OPTION;
    }
    std::unique_ptr<uz::InputFile> archive;
    if (const uz::Result opened = uz::InputFile::open(request.archive_name, archive); !opened.ok()) {
        uz::report_archive_error(request, opened);
        return opened.code == uz::Code::not_found ? UZP_ARCHIVE_NOT_FOUND : UZP_ARCHIVE_UNREADABLE;
    }
    try {
        return uz::extract_archive(*archive, request);
    } catch (const std::bad_alloc&) {
        try {
            uz::print_message(request, u"error: " + request.archive_name + u": out of memory\r\n", true);
        } catch (const std::bad_alloc&) {
            // Not even for the message.
        }
        throw;
    } catch (const std::exception& failure) {
        // Nothing is thrown on purpose but for memory: say what stopped the run.
        uz::print_message(request, u"error: extraction stopped: " + codec::from_windows_1252(failure.what()) + u"\r\n",
                          true);
        return UZP_ENTRY_ERRORS;
    }
}

}  // namespace

extern "C" {

uint32_t UNZIP32_CALL UzpVersion2(UzpVer2* version) {
    if (!version || version->structure_length != UZPVER2_LENGTH) return UZP_VERSION_MISMATCH;
    version->flags = kFlagUsesZlib;
    copy_text(version->beta_level, sizeof version->beta_level, "");
    copy_text(version->release_date, sizeof version->release_date, kReleaseDate);
    copy_text(version->zlib_version, sizeof version->zlib_version, zlibVersion());
    const UzpVersionField ours{kVersionMajor, kVersionMinor, kVersionPatch, 0};
    version->unzip = version->zipinfo = version->windll = ours;
    version->os2dll = UzpVersionField{0, 0, 0, 0};
    return UZP_OK;
}

int32_t UNZIP32_CALL Wiz_SingleEntryUnzip(int32_t include_count, char** include_names, int32_t exclude_count,
                                          char** exclude_names, DCL* options, USERFUNCTIONS* callbacks) {
    try {
        return single_entry_unzip(include_count, include_names, exclude_count, exclude_names, options, callbacks);
    } catch (const std::bad_alloc&) {
        return UZP_OUT_OF_MEMORY;
    } catch (...) {
        return UZP_ENTRY_ERRORS;  // never thrown here; still, nothing may cross into the caller
    }
}

}  // extern "C"
