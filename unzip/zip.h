#pragma once
// The zip module: extraction of one archive through the unzip library, the state
// the catalogue update step prepares before the call, and the four callbacks the
// library calls while it extracts.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "libs/unzip32/unzip32.h"
#include "runtime/dialogs.h"
#include "runtime/event_pump.h"
#include "runtime/unzip_library.h"

namespace zip {

/// A text that may be absent: the null text is not the empty text, and reaches
/// the library as a null pointer.
using Text = std::optional<std::wstring>;

inline constexpr std::size_t kNameListSize = 100;
using NameList = std::array<Text, kNameListSize>;

/// The library's options record (DCL) as the module keeps it: the same fifteen
/// switches, with the two names as text. The library gets a single-byte copy.
struct OptionsRecord {
    std::int32_t extract_only_newer = 0;
    std::int32_t spaces_to_underscores = 0;
    std::int32_t prompt_to_overwrite = 0;
    std::int32_t quiet = 0;
    std::int32_t to_stdout = 0;
    std::int32_t test_only = 0;
    std::int32_t list_only = 0;
    std::int32_t freshen = 0;
    std::int32_t show_comment = 0;
    std::int32_t recreate_folders = 0;
    std::int32_t always_overwrite = 0;
    std::int32_t translate_eol = 0;
    std::int32_t detailed_info = 0;
    std::int32_t case_insensitive = 0;
    std::int32_t restore_security = 0;
    Text archive_name;
    Text extract_folder;
};

/// The library's version record (UzpVer2) as the module keeps it; each text
/// field holds exactly as many characters as its bytes in the library's form.
struct VersionRecord {
    std::uint32_t structure_length = 0;
    std::uint32_t flags = 0;
    std::wstring beta_level = std::wstring(10, L'\0');
    std::wstring release_date = std::wstring(20, L'\0');
    std::wstring zlib_version = std::wstring(10, L'\0');
    UzpVersionField unzip{};
    UzpVersionField zipinfo{};
    UzpVersionField os2dll{};
    UzpVersionField windll{};
};

// --- Module state: lives for the whole run. -----------------------------------

/// The library's result of the last extraction; 0 means success.
extern std::int32_t unzip_result;
/// Listing lines produced so far; 0 makes the next listing line start with the header.
extern std::int32_t listed_files;
/// The listing built by message_callback.
extern Text listing_text;
/// Every text the library printed, in order.
extern Text messages_text;
/// Names of the archive entries to extract and to skip.
extern NameList include_names;
extern NameList exclude_names;
/// Ends each line of listing_text.
extern Text line_break;
extern OptionsRecord unzip_options;
/// Handed to the library as it is: it holds no text, and the library writes its totals here.
extern USERFUNCTIONS unzip_callbacks;
extern VersionRecord unzip_version;

/// Extracts `archive` into `folder` through `library` and keeps the library's
/// answer in unzip_result. The overwrite question goes through `dialogs`. A
/// library that cannot be bound raises its run-time error and leaves
/// unzip_result as it was.
void unzip_archive(runtime::EventPump& events, runtime::UnzipLibrary& library, runtime::Dialogs& dialogs,
                   const std::wstring& archive, const std::wstring& folder, std::int16_t prompt,
                   std::int16_t overwrite, std::int16_t list_only, std::int16_t recreate_folders,
                   std::int32_t include_count, std::int32_t exclude_count);

// --- The callbacks the library calls during unzip_archive. ----------------------
// None of them lets an exception reach the library: a step that fails is skipped.

/// Appends the printed text (at most `length` bytes, never more than 32001) to messages_text.
std::int32_t UNZIP32_CALL print_callback(const char* text, std::uint32_t length);
/// Asks whether the existing file may be overwritten: No 100, Yes 103 (this and
/// every further file), Cancel or a closed box 104 (none from here on).
std::int32_t UNZIP32_CALL replace_callback(char* file_name);
/// Supplies no password: returns 1 and leaves the buffer alone.
std::int32_t UNZIP32_CALL password_callback(char* password, std::int32_t size, const char* prompt,
                                            const char* entry_name);
/// Appends the listing line of one archive entry to listing_text (after the
/// header when listed_files is 0) and counts it.
void UNZIP32_CALL message_callback(std::uint32_t uncompressed_size, std::uint32_t compressed_size,
                                   std::uint32_t compression_factor, std::uint32_t month,
                                   std::uint32_t day, std::uint32_t year, std::uint32_t hour,
                                   std::uint32_t minute, std::uint32_t flag_char, const char* entry_name,
                                   const char* method, std::uint32_t crc32, std::uint32_t encrypted_char);

/// Binds the dialogs that replace_callback asks through, for as long as it
/// lives; the callbacks carry no context of their own. Restores the previous
/// binding when it ends.
class ScopedDialogs {
public:
    explicit ScopedDialogs(runtime::Dialogs& dialogs);
    ~ScopedDialogs();
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

private:
    runtime::Dialogs* previous_;
};

/// An archive entry as the library lists it.
struct ListedEntry {
    std::wstring name;  ///< whole, as the library passes it (the listing line shows 50 characters)
    bool folder = false;
};

/// Collects every entry that message_callback lists into `entries`, for as
/// long as it lives; restores the previous binding when it ends.
class ScopedEntryCollector {
public:
    explicit ScopedEntryCollector(std::vector<ListedEntry>& entries);
    ~ScopedEntryCollector();
    ScopedEntryCollector(const ScopedEntryCollector&) = delete;
    ScopedEntryCollector& operator=(const ScopedEntryCollector&) = delete;

private:
    std::vector<ListedEntry>* previous_;
};

}  // namespace zip
