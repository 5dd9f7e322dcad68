#pragma once
// Finding, reading and answering the message boxes of a process from another
// process or thread, through window messages only.
#include <windows.h>

#include <string>
#include <vector>

#include "tools/driver/dialog_driver-win32.h"

namespace dialog_driver {

/// The first visible top-level #32770 window of the process, or null.
HWND find_message_box(DWORD process_id);
/// The first visible top-level window of the process that is not a #32770.
HWND find_main_window(DWORD process_id);

/// The caption of a window and the texts of its visible children.
std::wstring read_window_text(HWND window);
std::vector<std::wstring> read_child_texts(HWND window);

/// Title, text, icon and buttons (left to right); `answered_id` stays 0.
DialogSeen read_message_box(HWND box);

/// Presses the button `id`, or closes the box as Escape would when `id` is 0.
void answer_message_box(HWND box, int id);

/// Waits until a window of the driven program has painted itself, so that
/// its pixels on the screen can be read.
void wait_until_painted(HWND window);

}  // namespace dialog_driver
