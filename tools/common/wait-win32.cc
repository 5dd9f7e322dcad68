#include "tools/common/wait-win32.h"

namespace tools {

bool wait_pumping_messages(HANDLE handle, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD remaining = elapsed >= ms ? 0 : ms - elapsed;
        const DWORD count = handle ? 1 : 0;
        const DWORD woken = MsgWaitForMultipleObjects(count, handle ? &handle : nullptr, FALSE, remaining, QS_ALLINPUT);
        if (handle && woken == WAIT_OBJECT_0) return true;
        if (woken == WAIT_OBJECT_0 + count) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        if (remaining == 0 || woken == WAIT_TIMEOUT || woken == WAIT_FAILED) return false;
    }
}

}  // namespace tools
