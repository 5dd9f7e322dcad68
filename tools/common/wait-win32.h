#pragma once
#include <windows.h>

namespace tools {

/// Waits up to `ms` for `handle` (or only lets the time pass when it is
/// null), handling the calling thread's messages meanwhile: Wine gives a
/// thread that uses user32 a hidden window of its own, and a thread with
/// windows must not leave messages sent to them unanswered for long.
/// True when the handle was signalled.
bool wait_pumping_messages(HANDLE handle, DWORD ms);

}  // namespace tools
