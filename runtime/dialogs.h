#pragma once
#include <string>

#include "runtime/run_time_error.h"

namespace runtime {

/// Styles and answers of a message box; the values are the platform's own.
namespace msgbox {
inline constexpr int ok_only = 0;
inline constexpr int yes_no_cancel = 3;
inline constexpr int critical = 16;
inline constexpr int information = 64;
inline constexpr int default_button1 = 0;

inline constexpr int answer_ok = 1;
inline constexpr int answer_cancel = 2;
inline constexpr int answer_yes = 6;
inline constexpr int answer_no = 7;
}  // namespace msgbox

/// The title of every message of the program but the overwrite question.
inline const std::wstring kTitle = L"Dravimex";

class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// Shows a modal message box over the program's window and returns the
    /// answer; a box closed with Escape or its close button answers Cancel.
    virtual int message_box(const std::wstring& prompt, int style, const std::wstring& title) = 0;
};

/// The run-time error report: the error's number and description.
void report_run_time_error(Dialogs& dialogs, const RunTimeError& error);

}  // namespace runtime
