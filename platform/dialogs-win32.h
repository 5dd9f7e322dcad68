#pragma once
#include <windows.h>

#include "runtime/dialogs.h"
#include "runtime/event_pump.h"

namespace platform {

/// Message boxes owned by the program's window, so that they are modal to it.
class Win32Dialogs : public runtime::Dialogs {
public:
    void set_owner(HWND owner) { owner_ = owner; }
    int message_box(const std::wstring& prompt, int style, const std::wstring& title) override;

private:
    HWND owner_ = nullptr;
};

class Win32EventPump : public runtime::EventPump {
public:
    void do_events() override;
};

}  // namespace platform
