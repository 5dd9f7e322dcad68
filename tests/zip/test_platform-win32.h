#pragma once
// The two platform pieces the extraction needs besides the library, in their
// plain Win32 form for these tests: a real message box and a real event pump.
#include <windows.h>

#include "runtime/dialogs.h"
#include "runtime/event_pump.h"

namespace zip_test {

class MessageBoxDialogs : public runtime::Dialogs {
public:
    int message_box(const std::wstring& prompt, int style, const std::wstring& title) override {
        ++shown;
        return MessageBoxW(nullptr, prompt.c_str(), title.c_str(), static_cast<UINT>(style));
    }
    int shown = 0;
};

class PeekMessagePump : public runtime::EventPump {
public:
    void do_events() override {
        ++calls;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    int calls = 0;
};

}  // namespace zip_test
