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
        }
        first_ = true;  // no mutex at all: nothing to guard with, go on
    }
    bool first() const { return first_; }

private:
    platform::ScopedFileHandle mutex_;
    bool first_ = false;
};
