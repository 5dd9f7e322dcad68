// The run as readable text, for the demonstration and for test failure output.
#include <string>

#include "tools/driver/dialog_driver-win32.h"

namespace dialog_driver {

std::wstring icon_name(DialogIcon icon) {
    switch (icon) {
        case DialogIcon::none: return L"none";
        case DialogIcon::information: return L"information";
        case DialogIcon::critical: return L"critical";
        case DialogIcon::warning: return L"warning";
        case DialogIcon::question: return L"question";
        case DialogIcon::unknown: break;
    }
    return L"unknown";
}

namespace {

std::wstring button_label(const DialogSeen& box, int id) {
    if (id == button::close) return L"closed (WM_CLOSE)";
    if (id == button::kill) return L"none: the program was ended";
    for (const auto& b : box.buttons)
        if (b.id == id) return b.text + L" (" + std::to_wstring(id) + L")";
    return L"(" + std::to_wstring(id) + L")";
}

/// Continuation lines are indented under the first, so that a box's text
/// cannot be mistaken for the next field.
std::wstring indented(const std::wstring& text, const std::wstring& indent) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
        if (text[i] == L'\r' || text[i] == L'\n') out += L'\n' + indent;
        else out += text[i];
    }
    return out;
}

}  // namespace

std::wstring transcript(const RunResult& result) {
    std::wstring out;
    if (!result.window_title.empty() || !result.window_texts.empty()) {
        out += L"window\n  title: " + result.window_title + L"\n";
        for (const auto& text : result.window_texts) out += L"  text: " + indented(text, L"        ") + L"\n";
    }
    int number = 0;
    for (const auto& box : result.dialogs) {
        out += L"box " + std::to_wstring(++number) + L"\n";
        out += L"  title: " + box.title + L"\n";
        out += L"  icon: " + icon_name(box.icon) + L"\n";
        out += L"  buttons:";
        for (std::size_t i = 0; i < box.buttons.size(); ++i) {
            const auto& b = box.buttons[i];
            out += (i == 0 ? L" " : L" | ") + b.text + L" (" + std::to_wstring(b.id);
            out += b.is_default ? L", default)" : L")";
        }
        out += L"\n";
        out += L"  text: " + indented(box.text, L"        ") + L"\n";
        out += L"  answer: " + button_label(box, box.answered_id) + L"\n";
        if (!box.screenshot.empty()) out += L"  screenshot: " + box.screenshot + L"\n";
    }
    if (!result.window_screenshot.empty()) out += L"window screenshot: " + result.window_screenshot + L"\n";
    out += L"timed out: " + std::wstring(result.timed_out ? L"yes" : L"no") + L"\n";
    if (result.killed) out += L"killed: yes\n";
    out += L"exit code: " + std::to_wstring(result.exit_code) + L"\n";
    return out;
}

}  // namespace dialog_driver
