#pragma once
// The message boxes of a run, on screen or answered for an administrator who is
// not there; either way each one is logged. The texts stay where they are:
// the logic asks the same dialogs interface in every kind of run.
#include "runtime/dialogs.h"
#include "runtime/log.h"

/// The answer of a box's default button: the button that Enter would press.
int default_answer(int style);

class LoggedDialogs : public runtime::Dialogs {
public:
    /// `unattended`: no box reaches `screen`; each is answered with its
    /// default button.
    LoggedDialogs(runtime::Dialogs& screen, runtime::Log& log, bool unattended)
        : screen_(screen), log_(log), unattended_(unattended) {}

    int message_box(const std::wstring& prompt, int style, const std::wstring& title) override;

private:
    runtime::Dialogs& screen_;
    runtime::Log& log_;
    bool unattended_;
};
