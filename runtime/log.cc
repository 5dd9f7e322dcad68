#include "runtime/log.h"

#include <cstdio>

#include "runtime/text.h"

namespace runtime {

Log& null_log() {
    static NullLog log;
    return log;
}

std::string log_line(const LocalTime& time, std::wstring_view text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d  ", time.year, time.month, time.day,
                  time.hour, time.minute, time.second, time.millisecond);
    std::wstring flat;
    flat.reserve(text.size());
    bool after_break = false;
    for (const wchar_t c : text) {
        if (c == L'\r' || c == L'\n') {
            after_break = true;
            continue;
        }
        // Breaks at either end are dropped; a run of them inside is one mark.
        if (after_break && !flat.empty()) flat += L" | ";
        after_break = false;
        flat += c < L' ' || c == 0x7F ? L' ' : c;
    }
    return stamp + to_utf8(flat) + "\r\n";
}

}  // namespace runtime
