#pragma once
#include <windows.h>

#include "platform/scoped-win32.h"

/// Holds the machine-wide mutex of this patch for the life of the run.
class SingleRun {
public:
    SingleRun() {
        // The global name covers every session of the machine; where it cannot be
        // created, the session's own name still keeps two runs apart.
        for (const wchar_t* name : {L"Global\\VarenkorCatalogoPatch7", L"Local\\VarenkorCatalogoPatch7"}) {
            mutex_.reset(CreateMutexW(nullptr, TRUE, name));
            if (mutex_) {
                first_ = GetLastError() != ERROR_ALREADY_EXISTS;
                return;
            }
            // A mutex this account may not open is another account's run at work
            // (a deployment agent's as SYSTEM, another administrator's).
            if (GetLastError() == ERROR_ACCESS_DENIED && exists(name)) {
                first_ = false;
                return;
            }
        }
        first_ = true;  // no mutex at all: nothing to guard with, go on
    }
    bool first() const { return first_; }

private:
    static bool exists(const wchar_t* name) {
        const platform::ScopedKernelHandle other(OpenMutexW(SYNCHRONIZE, FALSE, name));
        return other || GetLastError() != ERROR_FILE_NOT_FOUND;
    }

    platform::ScopedKernelHandle mutex_;
    bool first_ = false;
};
