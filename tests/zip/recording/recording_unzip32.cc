// An unzip32.dll of our own for the tests of the zip module: it records exactly
// what its two entries receive and calls back into the caller's callbacks with
// the buffers a script chooses.
#include <string.h>

#include "tests/zip/recording/recording_protocol.h"

namespace {

recording::Record g_record;
recording::Script* g_script = nullptr;

void copy_text(char (&to)[recording::kTextSize], const char* from) {
    strncpy(to, from, sizeof to - 1);
    to[sizeof to - 1] = '\0';
}

int32_t count_null_entries(char** list) {
    int32_t nulls = 0;
    for (int i = 0; i < recording::kListSize; ++i) nulls += list[i] == nullptr;
    return nulls;
}

void run_step(recording::Step& step, USERFUNCTIONS& callbacks) {
    switch (step.kind) {
        case recording::print:
            step.returned = callbacks.print(step.text, step.length);
            break;
        case recording::replace:
            step.returned = callbacks.replace(const_cast<char*>(step.text));
            break;
        case recording::password:
            step.returned =
                callbacks.password(step.password_buffer, step.password_size, step.text, step.password_entry);
            break;
        case recording::message: {
            const uint32_t* p = step.message_parameters;
            callbacks.message(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], step.text, step.method, p[11],
                              p[12]);
            step.returned = 0;
            break;
        }
        default:
            break;
    }
}

}  // namespace

extern "C" {

__declspec(dllexport) uint32_t UNZIP32_CALL UzpVersion2(UzpVer2* version) {
    ++g_record.version_calls;
    memcpy(g_record.version_bytes, version, sizeof g_record.version_bytes);
    if (g_script != nullptr && g_script->write_back) {
        version->flags = 1;
        memcpy(version->beta_level, "recorder\0\0", 10);
        memcpy(version->release_date, "7 Dec 2026\0\0\0\0\0\0\0\0\0\0", 20);
        version->unzip = {6, 0, 0, 0};
        version->windll = {6, 0, 1, 0};
    }
    return 0;
}

__declspec(dllexport) int32_t UNZIP32_CALL Wiz_SingleEntryUnzip(int32_t include_count, char** include_names,
                                                                 int32_t exclude_count, char** exclude_names,
                                                                 DCL* options, USERFUNCTIONS* callbacks) {
    ++g_record.unzip_calls;
    const int32_t* switches = &options->extract_only_newer;
    for (int i = 0; i < 15; ++i) g_record.options[i] = switches[i];
    g_record.archive_present = options->archive_name != nullptr;
    g_record.folder_present = options->extract_folder != nullptr;
    g_record.archive[0] = g_record.folder[0] = '\0';
    if (options->archive_name) copy_text(g_record.archive, options->archive_name);
    if (options->extract_folder) copy_text(g_record.folder, options->extract_folder);
    g_record.include_count = include_count;
    g_record.exclude_count = exclude_count;
    g_record.include_list_present = include_names != nullptr;
    g_record.exclude_list_present = exclude_names != nullptr;
    g_record.include_null_entries = include_names ? count_null_entries(include_names) : 0;
    g_record.exclude_null_entries = exclude_names ? count_null_entries(exclude_names) : 0;
    g_record.callbacks_set[0] = callbacks->print != nullptr;
    g_record.callbacks_set[1] = callbacks->sound != nullptr;
    g_record.callbacks_set[2] = callbacks->replace != nullptr;
    g_record.callbacks_set[3] = callbacks->password != nullptr;
    g_record.callbacks_set[4] = callbacks->message != nullptr;
    g_record.callbacks_set[5] = callbacks->service != nullptr;

    if (g_script == nullptr) return 0;
    for (int i = 0; i < g_script->step_count && i < recording::kMaxSteps; ++i)
        run_step(g_script->steps[i], *callbacks);
    if (g_script->write_back) {
        options->quiet = 2;
        callbacks->number_of_members = static_cast<uint32_t>(g_script->step_count);
    }
    return g_script->result;
}

__declspec(dllexport) void UNZIP32_CALL recording_set_script(recording::Script* script) { g_script = script; }

__declspec(dllexport) void UNZIP32_CALL recording_get(recording::Record* record) { *record = g_record; }

__declspec(dllexport) void UNZIP32_CALL recording_reset(void) {
    g_record = recording::Record{};
    g_script = nullptr;
}

}  // extern "C"
