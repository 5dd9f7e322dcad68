#pragma once
// One run of Wiz_SingleEntryUnzip over an archive that is already open.
#include <cstdint>
#include <string>
#include <vector>

#include "input_source.h"
#include "libs/unzip32/unzip32.h"
#include "result.h"

namespace uz {

struct ExtractionRequest {
    DCL options{};                       // the switches; its two text pointers are not read here
    std::u16string archive_name;         // for messages
    std::u16string target_folder;        // empty: the current folder
    std::vector<std::u16string> include; // patterns, '/' separators
    std::vector<std::u16string> exclude;
    USERFUNCTIONS* callbacks = nullptr;  // may be null: no messages, no questions
};

/// Extracts, lists or tests `archive` as the request says; returns a UZP_ code.
int32_t extract_archive(InputSource& archive, const ExtractionRequest& request);

/// Whether print_message would pass on such a message.
bool will_print(const ExtractionRequest& request, bool problem);

/// Sends a message through the print callback when the quiet level allows it:
/// `problem` texts are shown at levels 0 and 1, the others at level 0 only.
void print_message(const ExtractionRequest& request, const std::u16string& text, bool problem);

/// Tells why the archive cannot be used at all, as "error: <archive>: <what
/// the code says> (<detail>)", or the detail alone where the code says nothing
/// more (a read error).
void report_archive_error(const ExtractionRequest& request, const Result& result);

}  // namespace uz
