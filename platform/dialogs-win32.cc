#include "platform/dialogs-win32.h"

namespace platform {

int Win32Dialogs::message_box(const std::wstring& prompt, int style, const std::wstring& title) {
    return MessageBoxW(owner_, prompt.c_str(), title.c_str(), static_cast<UINT>(style) | MB_SETFOREGROUND);
}

void Win32EventPump::do_events() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the program's own message loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace platform
