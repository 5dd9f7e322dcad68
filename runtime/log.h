#pragma once
// The run's log: what an administrator reads after a run on a machine nobody
// watched. One call a event; each event is one line with its local time.
#include <string>
#include <string_view>

namespace runtime {

class Log {
public:
    virtual ~Log() = default;
    /// Records one event at once, so that a run that is killed leaves every
    /// event before the kill. Line breaks in `text` stay on the event's line.
    virtual void event(const std::wstring& text) = 0;
};

/// The log of a run started without one: it records nothing.
class NullLog final : public Log {
public:
    void event(const std::wstring&) override {}
};

/// The one null log, for what is built without a log of its own.
Log& null_log();

/// A moment of the local clock.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

/// What a log file starts with: the UTF-8 byte-order mark, by which Notepad
/// and PowerShell know the encoding.
inline constexpr std::string_view kLogFileStart = "\xEF\xBB\xBF";

/// One event as the bytes of its line: "2026-07-12 14:03:05.123  text" and
/// CR LF, in UTF-8. Each run of line breaks in the text becomes " | ", other
/// control characters a space.
std::string log_line(const LocalTime& time, std::wstring_view text);

}  // namespace runtime
