// The four callbacks the unzip library calls while Wiz_SingleEntryUnzip runs.
// They are entered from the library's C code, so no exception may leave them:
// each step runs on its own, and a step that fails is skipped.
#include <algorithm>
#include <limits>

#include "unzip/listing_line.h"
#include "unzip/zip.h"

namespace zip {

namespace {

// The dialogs of the extraction in progress; bound by ScopedDialogs for the
// length of one call, because the callbacks get no context from the library.
runtime::Dialogs* bound_dialogs = nullptr;
// The entries of the listing in progress, when someone collects them.
std::vector<ListedEntry>* bound_entries = nullptr;

template <typename Step>
void run_step(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        // Unwinding through the library's frames is not possible; the step is skipped.
    }
}

// Appends in place, so that a long extraction grows the text in amortised
// constant time per append. A null text followed by something is that something.
void append(Text& text, std::wstring_view more) {
    if (!text) text.emplace();
    text->append(more);
}

}  // namespace

ScopedDialogs::ScopedDialogs(runtime::Dialogs& dialogs) : previous_(bound_dialogs) { bound_dialogs = &dialogs; }

ScopedDialogs::~ScopedDialogs() { bound_dialogs = previous_; }

ScopedEntryCollector::ScopedEntryCollector(std::vector<ListedEntry>& entries) : previous_(bound_entries) {
    bound_entries = &entries;
}

ScopedEntryCollector::~ScopedEntryCollector() { bound_entries = previous_; }

std::int32_t UNZIP32_CALL print_callback(const char* text, std::uint32_t length) {
    std::wstring collected;
    run_step([&] { collected = collect(text, std::min<std::size_t>(length, kPrintBound)); });
    run_step([&] { append(messages_text, collected); });
    return 0;
}

std::int32_t UNZIP32_CALL replace_callback(char* file_name) {
    std::wstring name;
    run_step([&] { name = collect(file_name, kNameBound); });
    int answer = 0;
    run_step([&] {
        if (bound_dialogs == nullptr) return;
        answer = bound_dialogs->message_box(L"Overwrite " + name + L"?",
                                            runtime::msgbox::yes_no_cancel | runtime::msgbox::default_button1,
                                            L"VBUnzip - File already exists");
    });
    switch (answer) {
        case runtime::msgbox::answer_no:
            return UZP_REPLACE_NO;
        case runtime::msgbox::answer_yes:
            // Yes covers every further existing file too, so the user is asked once.
            return UZP_REPLACE_ALL;
        default:
            // Cancel, Escape, the close button, and a question that could not be
            // asked: nothing more is overwritten.
            return UZP_REPLACE_NONE;
    }
}

std::int32_t UNZIP32_CALL password_callback(char*, std::int32_t, const char*, const char*) { return 1; }

void UNZIP32_CALL message_callback(std::uint32_t uncompressed_size, std::uint32_t, std::uint32_t,
                                   std::uint32_t month, std::uint32_t day, std::uint32_t year, std::uint32_t hour,
                                   std::uint32_t minute, std::uint32_t flag_char, const char* entry_name,
                                   const char*, std::uint32_t, std::uint32_t) {
    const std::wstring_view breaks = line_break ? std::wstring_view(*line_break) : std::wstring_view();
    run_step([&] {
        if (listed_files != 0) return;
        // The first line of a listing: the header replaces whatever was there.
        listing_text = header_line();
        listing_text->append(breaks);
    });
    std::wstring name;
    run_step([&] { name = collect(entry_name, kNameBound); });
    run_step([&] {
        if (bound_entries) bound_entries->push_back({name, flag_char == 'd'});
    });
    std::wstring line(kListingWidth, L' ');
    run_step([&] { line = listing_line(name, {uncompressed_size, month, day, year, hour, minute}); });
    run_step([&] {
        append(listing_text, line);
        listing_text->append(breaks);
    });
    // A counter at its limit cannot count further; the step fails and is skipped.
    if (listed_files < std::numeric_limits<std::int32_t>::max()) ++listed_files;
}

}  // namespace zip
