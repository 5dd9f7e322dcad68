#include "tests/zip/message_box_answerer-win32.h"

namespace zip_test {

namespace {

std::wstring window_text(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

std::wstring class_name(HWND window) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

BOOL CALLBACK find_box(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && class_name(window) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK read_child(HWND child, LPARAM into) {
    SeenBox& box = *reinterpret_cast<SeenBox*>(into);
    const std::wstring kind = class_name(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (kind == L"Button") {
        box.buttons.push_back({GetDlgCtrlID(child), window_text(child), (style & 0x0F) == BS_DEFPUSHBUTTON});
    } else if (kind == L"Static") {
        // A box without an icon keeps its icon control, holding no icon.
        DWORD_PTR icon = 0;
        if ((style & SS_TYPEMASK) == SS_ICON &&
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon) && icon != 0)
            box.has_icon = true;
        if (GetDlgCtrlID(child) == 0xFFFF) box.text = window_text(child);
    }
    return TRUE;
}

void answer(HWND box, Answer how) {
    switch (how) {
        case Answer::yes:
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
            break;
        case Answer::no:
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
            break;
        case Answer::cancel:
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            break;
        case Answer::close_button:
            PostMessageW(box, WM_CLOSE, 0, 0);
            break;
        case Answer::escape: {
            // The key goes to the control with the focus; the box's own loop
            // turns it into its Cancel command.
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info);
            const HWND target = info.hwndFocus != nullptr ? info.hwndFocus : box;
            PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
            break;
        }
    }
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(std::deque<Answer> answers)
    : answers_(std::move(answers)), thread_([this] { run(); }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() { finish(); }

std::vector<SeenBox> MessageBoxAnswerer::finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return seen_;
}

void MessageBoxAnswerer::run() {
    while (!stop_) {
        HWND box = nullptr;
        EnumWindows(find_box, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr) {
            Sleep(10);
            continue;
        }
        SeenBox seen;
        seen.title = window_text(box);
        EnumChildWindows(box, read_child, reinterpret_cast<LPARAM>(&seen));
        seen_.push_back(seen);
        Answer how = Answer::close_button;
        if (!answers_.empty()) {
            how = answers_.front();
            answers_.pop_front();
        }
        answer(box, how);
        // One box at a time: the next one is looked for once this one has gone.
        while (IsWindow(box) && !stop_) Sleep(10);
    }
}

}  // namespace zip_test
