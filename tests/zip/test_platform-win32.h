#pragma once
// The program's own message boxes and event pump, counting their calls.
#include "platform/dialogs-win32.h"

namespace zip_test {

class CountingDialogs : public platform::Win32Dialogs {
public:
    int message_box(const std::wstring& prompt, int style, const std::wstring& title) override {
        ++shown;
        return Win32Dialogs::message_box(prompt, style, title);
    }
    int shown = 0;
};

class CountingPump : public platform::Win32EventPump {
public:
    void do_events() override {
        ++calls;
        Win32EventPump::do_events();
    }
    int calls = 0;
};

}  // namespace zip_test
