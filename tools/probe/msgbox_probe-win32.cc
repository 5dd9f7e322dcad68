// Shows message boxes as its command line says and exits with the answers:
// a program whose boxes the dialog driver's tests can drive and check.
//
//   msgbox_probe.exe [--window [--center]] [--hang] STYLE TITLE TEXT [STYLE TITLE TEXT]...
//
// STYLE is the MessageBox style as a number (decimal or 0x hex). In TITLE and
// TEXT, \n is a line break, \uXXXX a UTF-16 unit and \\ a backslash, so that
// scripts can pass accented text whatever their locale. The exit code is the
// answers as decimal digits, first box first (Yes then OK gives 61).
// --window shows a main window (caption "Probe window") that owns the boxes,
// --center puts it at the middle of the screen, where the boxes appear;
// --hang waits for ever after the last box, for timeout tests.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "tools/common/scoped-win32.h"

namespace {

std::wstring unescape(const std::wstring& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const wchar_t next = text[i + 1];
        if (next == L'n') {
            out += L'\n';
            ++i;
        } else if (next == L'\\') {
            out += L'\\';
            ++i;
        } else if (next == L'u' && i + 6 <= text.size()) {
            out += static_cast<wchar_t>(std::wcstoul(text.substr(i + 2, 4).c_str(), nullptr, 16));
            i += 5;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Box {
    UINT style;
    std::wstring title;
    std::wstring text;
};

tools::ScopedWindow show_main_window(bool centered) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = L"MsgboxProbeWindow";
    RegisterClassW(&window_class);
    constexpr int kWidth = 320;
    constexpr int kHeight = 120;
    const int left = centered ? (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2 : 40;
    const int top = centered ? (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2 : 40;
    tools::ScopedWindow window(CreateWindowW(L"MsgboxProbeWindow", L"Probe window",
                                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, left, top, kWidth, kHeight,
                                             nullptr, nullptr, window_class.hInstance, nullptr));
    CreateWindowW(L"Static", L"probe label", WS_CHILD | WS_VISIBLE, 16, 16, 200, 20, window.get(), nullptr,
                  window_class.hInstance, nullptr);
    ShowWindow(window.get(), SW_SHOW);
    UpdateWindow(window.get());
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    return window;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool with_window = false;
    bool hang = false;
    bool centered = false;
    std::vector<Box> boxes;
    int i = 1;
    for (; i < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--window") with_window = true;
        else if (option == L"--hang") hang = true;
        else if (option == L"--center") centered = true;
        else return 100;
    }
    for (; i + 2 < argc; i += 3)
        boxes.push_back({static_cast<UINT>(std::wcstoul(argv[i], nullptr, 0)), unescape(argv[i + 1]),
                         unescape(argv[i + 2])});
    if (i != argc) return 100;

    tools::ScopedWindow window;
    if (with_window) window = show_main_window(centered);
    int answers = 0;
    for (const auto& box : boxes) answers = answers * 10 + MessageBoxW(window.get(), box.text.c_str(),
                                                                        box.title.c_str(), box.style);
    if (hang) Sleep(INFINITE);
    return answers;
}
