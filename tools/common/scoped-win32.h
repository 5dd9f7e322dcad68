#pragma once
// Owners for the Windows resources the tools hold: the program's own scoped
// types, and two that only drawing on the screen needs.
#include <windows.h>

#include "platform/scoped-win32.h"

namespace tools {

using ScopedHandle = platform::ScopedKernelHandle;
using ScopedRegistryKey = platform::ScopedRegistryKey;
using ScopedFile = platform::ScopedFileHandle;
using ScopedFind = platform::ScopedFindHandle;
using ScopedGdiObject = platform::ScopedGdiObject;
using ScopedMemoryDc = platform::ScopedMemoryDc;
using ScopedWindow = platform::ScopedWindow;
using ScopedComInit = platform::ScopedComInitialization;
template <typename Interface>
using ComPtr = platform::ComPtr<Interface>;

/// The device context of the whole screen (GetDC(nullptr)).
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

/// Selects a GDI object into a DC and puts the previous one back.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelection() { SelectObject(dc_, previous_); }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace tools
