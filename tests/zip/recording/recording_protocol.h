#pragma once
// What the recording unzip32.dll and its test share: the script of callbacks the
// library makes during Wiz_SingleEntryUnzip, and the record of what it received.
// Test and library live in one process, so the script's pointers are the test's
// own buffers, handed to the callbacks exactly as they are.
#include <stdint.h>

#include "libs/unzip32/unzip32.h"

namespace recording {

enum StepKind : int32_t { print = 1, replace = 2, password = 3, message = 4 };

struct Step {
    int32_t kind = 0;
    /// print: the buffer; replace: the file name; password: the prompt;
    /// message: the entry name (parameter 10).
    const char* text = nullptr;
    /// print: the length passed.
    uint32_t length = 0;
    /// password: the buffer, its size and the entry name.
    char* password_buffer = nullptr;
    int32_t password_size = 0;
    const char* password_entry = nullptr;
    /// message: parameters 1 to 13 by position (1-based index - 1); the two
    /// texts, 10 and 11, come from `text` and `method`.
    uint32_t message_parameters[13] = {};
    const char* method = nullptr;
    /// Written by the library: what the callback returned (0 for message).
    int32_t returned = -1;
};

inline constexpr int kMaxSteps = 16;

struct Script {
    int32_t result = 0;
    /// When set the library writes into every record, as a real one may:
    /// its version, options->quiet = 2, and the member total.
    int32_t write_back = 0;
    int32_t step_count = 0;
    Step steps[kMaxSteps];
};

inline constexpr int kListSize = 100;
inline constexpr int kTextSize = 520;

struct Record {
    int32_t version_calls = 0;
    int32_t unzip_calls = 0;
    /// The version record as it arrived, before the library wrote into it.
    uint8_t version_bytes[64] = {};
    /// The fifteen switches of the options record of the last extraction.
    int32_t options[15] = {};
    int32_t archive_present = 0, folder_present = 0;
    char archive[kTextSize] = {}, folder[kTextSize] = {};
    int32_t include_count = 0, exclude_count = 0;
    int32_t include_list_present = 0, exclude_list_present = 0;
    /// Null pointers among the 100 entries of each list.
    int32_t include_null_entries = 0, exclude_null_entries = 0;
    /// Whether each of the six callback positions was set.
    int32_t callbacks_set[6] = {};
};

}  // namespace recording

extern "C" {
/// The script of the next extractions; the pointer stays the caller's.
typedef void(UNZIP32_CALL* RecordingSetScript)(recording::Script* script);
/// Copies out what the library received so far.
typedef void(UNZIP32_CALL* RecordingGet)(recording::Record* record);
/// Forgets the script and the record.
typedef void(UNZIP32_CALL* RecordingReset)(void);
}
