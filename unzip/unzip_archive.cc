// The extraction request: fills the library's records from the arguments and
// hands their single-byte forms to the library, then takes back what it wrote.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "runtime/text.h"
#include "unzip/zip.h"

namespace zip {

std::int32_t unzip_result = 0;
std::int32_t listed_files = 0;
Text listing_text;
Text messages_text;
NameList include_names;
NameList exclude_names;
Text line_break;
OptionsRecord unzip_options;
USERFUNCTIONS unzip_callbacks{};
VersionRecord unzip_version;

namespace {

/// A NUL-terminated single-byte copy of a text for one library call; a null
/// text has no copy and is handed over as a null pointer.
class AnsiCopy {
public:
    explicit AnsiCopy(const Text& text) : present_(text.has_value()) {
        if (!present_) return;
        const std::string bytes = runtime::to_ansi(*text);
        bytes_.assign(bytes.begin(), bytes.end());
        bytes_.push_back('\0');
    }
    AnsiCopy(const AnsiCopy&) = delete;
    AnsiCopy& operator=(const AnsiCopy&) = delete;

    char* pointer() { return present_ ? bytes_.data() : nullptr; }

    /// The text at `now`, the pointer the library's record holds after the call.
    /// Our own copy is read within its size, whatever the library wrote into it.
    Text read_back(const char* now) const {
        if (now == nullptr) return std::nullopt;
        if (now != bytes_.data()) return runtime::from_ansi(now);
        const char* const end = std::find(bytes_.data(), bytes_.data() + bytes_.size(), '\0');
        return runtime::from_ansi(std::string_view(now, static_cast<std::size_t>(end - now)));
    }

private:
    bool present_;
    std::vector<char> bytes_;
};

/// The single-byte form of the options record.
class AnsiOptions {
public:
    explicit AnsiOptions(const OptionsRecord& options)
        : archive_(options.archive_name), folder_(options.extract_folder) {
        record_.extract_only_newer = options.extract_only_newer;
        record_.spaces_to_underscores = options.spaces_to_underscores;
        record_.prompt_to_overwrite = options.prompt_to_overwrite;
        record_.quiet = options.quiet;
        record_.to_stdout = options.to_stdout;
        record_.test_only = options.test_only;
        record_.list_only = options.list_only;
        record_.freshen = options.freshen;
        record_.show_comment = options.show_comment;
        record_.recreate_folders = options.recreate_folders;
        record_.always_overwrite = options.always_overwrite;
        record_.translate_eol = options.translate_eol;
        record_.detailed_info = options.detailed_info;
        record_.case_insensitive = options.case_insensitive;
        record_.restore_security = options.restore_security;
        record_.archive_name = archive_.pointer();
        record_.extract_folder = folder_.pointer();
    }
    AnsiOptions(const AnsiOptions&) = delete;
    AnsiOptions& operator=(const AnsiOptions&) = delete;

    DCL* record() { return &record_; }

    OptionsRecord read_back() const {
        return {record_.extract_only_newer, record_.spaces_to_underscores, record_.prompt_to_overwrite,
                record_.quiet,              record_.to_stdout,             record_.test_only,
                record_.list_only,          record_.freshen,               record_.show_comment,
                record_.recreate_folders,   record_.always_overwrite,      record_.translate_eol,
                record_.detailed_info,      record_.case_insensitive,      record_.restore_security,
                archive_.read_back(record_.archive_name), folder_.read_back(record_.extract_folder)};
    }

private:
    AnsiCopy archive_;
    AnsiCopy folder_;
    DCL record_{};
};

/// The single-byte form of a name list: 100 pointers, null for a null name.
class AnsiNameList {
public:
    explicit AnsiNameList(const NameList& names) {
        copies_.reserve(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            copies_.emplace_back(std::make_unique<AnsiCopy>(names[i]));
            pointers_[i] = copies_[i]->pointer();
        }
    }
    AnsiNameList(const AnsiNameList&) = delete;
    AnsiNameList& operator=(const AnsiNameList&) = delete;

    char** pointers() { return pointers_.data(); }

    NameList read_back() const {
        NameList names;
        for (std::size_t i = 0; i < names.size(); ++i) names[i] = copies_[i]->read_back(pointers_[i]);
        return names;
    }

private:
    std::vector<std::unique_ptr<AnsiCopy>> copies_;
    std::array<char*, kNameListSize> pointers_{};
};

/// A fixed text field of the library's form: exactly sizeof(field) bytes.
template <std::size_t Size>
void put_fixed(char (&field)[Size], const std::wstring& text) {
    std::string bytes = runtime::to_ansi(text);
    bytes.resize(Size, '\0');
    std::memcpy(field, bytes.data(), Size);
}

template <std::size_t Size>
std::wstring get_fixed(const char (&field)[Size]) {
    std::wstring text = runtime::from_ansi(std::string_view(field, Size));
    text.resize(Size, L'\0');
    return text;
}

UzpVer2 to_library_form(const VersionRecord& version) {
    UzpVer2 record{};
    record.structure_length = version.structure_length;
    record.flags = version.flags;
    put_fixed(record.beta_level, version.beta_level);
    put_fixed(record.release_date, version.release_date);
    put_fixed(record.zlib_version, version.zlib_version);
    record.unzip = version.unzip;
    record.zipinfo = version.zipinfo;
    record.os2dll = version.os2dll;
    record.windll = version.windll;
    return record;
}

VersionRecord from_library_form(const UzpVer2& record) {
    return {record.structure_length, record.flags,  get_fixed(record.beta_level),
            get_fixed(record.release_date), get_fixed(record.zlib_version),
            record.unzip,            record.zipinfo, record.os2dll, record.windll};
}

// Spaces up to the field's last character, which is a NUL.
std::wstring blank_field(std::size_t size) { return std::wstring(size - 1, L' ') + L'\0'; }

}  // namespace

void unzip_archive(runtime::EventPump& events, runtime::UnzipLibrary& library, runtime::Dialogs& dialogs,
                   const std::wstring& archive, const std::wstring& folder, std::int16_t prompt,
                   std::int16_t overwrite, std::int16_t list_only, std::int16_t recreate_folders,
                   std::int32_t include_count, std::int32_t exclude_count) {
    events.do_events();

    // Every switch is set on each call, so nothing of an earlier call's options remains.
    unzip_options = OptionsRecord{};
    unzip_options.prompt_to_overwrite = prompt;
    unzip_options.list_only = list_only;
    unzip_options.recreate_folders = recreate_folders;
    unzip_options.always_overwrite = overwrite;
    unzip_options.archive_name = archive;
    unzip_options.extract_folder = folder;

    unzip_callbacks.print = print_callback;
    unzip_callbacks.sound = nullptr;
    unzip_callbacks.replace = replace_callback;
    unzip_callbacks.password = password_callback;
    unzip_callbacks.message = message_callback;
    unzip_callbacks.service = nullptr;

    unzip_version.structure_length = UZPVER2_LENGTH;
    unzip_version.beta_level = blank_field(sizeof(UzpVer2::beta_level));
    unzip_version.release_date = blank_field(sizeof(UzpVer2::release_date));
    unzip_version.zlib_version = blank_field(sizeof(UzpVer2::zlib_version));

    const ScopedDialogs overwrite_question(dialogs);

    UzpVer2 version = to_library_form(unzip_version);
    library.uzp_version2(&version);
    unzip_version = from_library_form(version);

    AnsiOptions options(unzip_options);
    AnsiNameList includes(include_names);
    AnsiNameList excludes(exclude_names);
    const std::int32_t result = library.wiz_single_entry_unzip(include_count, includes.pointers(), exclude_count,
                                                               excludes.pointers(), options.record(),
                                                               &unzip_callbacks);
    unzip_options = options.read_back();
    include_names = includes.read_back();
    exclude_names = excludes.read_back();
    unzip_result = result;
}

}  // namespace zip
