#pragma once
#include <string>

#include "platform/scoped-win32.h"
#include "runtime/log.h"

namespace platform {

/// The log file named with /log. Each event is written to the file as soon as
/// it happens, in one write at its end, so that a run that is killed leaves
/// every line before the kill, and two runs that share a file do not write
/// over each other's lines.
class Win32FileLog : public runtime::Log {
public:
    /// Opens `path` to add to it, creating it (with the UTF-8 byte-order mark)
    /// when missing. Raises a RunTimeError naming the file and the system's
    /// reason when it cannot.
    explicit Win32FileLog(const std::wstring& path);

    /// A write that fails is not the run's failure: the event is lost.
    void event(const std::wstring& text) override;

private:
    void write(std::string_view bytes);
    ScopedFileHandle file_;
};

}  // namespace platform
