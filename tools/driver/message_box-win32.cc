#include "tools/driver/message_box-win32.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "tools/common/wait-win32.h"
#include "tools/driver/screen_capture-win32.h"

namespace dialog_driver {

namespace {

// Messages to another process must not hang the driver if it stops answering.
constexpr UINT kSendTimeoutMs = 2000;

std::wstring class_name(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool is_dialog_class(HWND window) { return class_name(window) == L"#32770"; }

/// Through WM_GETTEXT, which is marshalled across processes, and with a
/// timeout: GetWindowText would wait without limit for another thread.
std::wstring window_text(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
        return {};
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

struct Search {
    DWORD process_id;
    bool want_dialog;
    HWND found = nullptr;
};

BOOL CALLBACK visit_top_level(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.process_id || !IsWindowVisible(window)) return TRUE;
    if (is_dialog_class(window) != search.want_dialog) return TRUE;
    search.found = window;
    return FALSE;
}

HWND find_top_level(DWORD process_id, bool want_dialog) {
    Search search{process_id, want_dialog};
    EnumWindows(visit_top_level, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> visible_children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) children.push_back(child);
    return children;
}

LONG style_of(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

bool is_icon_control(HWND child) {
    return class_name(child) == L"Static" && (style_of(child) & SS_TYPEMASK) == SS_ICON;
}

HICON shown_icon(HWND icon_control) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutW(icon_control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon);
    return reinterpret_cast<HICON>(icon);
}

/// The icon handles of another process cannot be inspected, so the control's
/// pixels are compared with each standard icon drawn on the same background.
DialogIcon classify_icon_pixels(HWND icon_control) {
    RECT client{};
    GetClientRect(icon_control, &client);
    POINT origin{0, 0};
    ClientToScreen(icon_control, &origin);
    const RECT on_screen{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    const Pixels shown = capture_screen(on_screen);
    if (shown.rgb.empty()) return DialogIcon::unknown;

    // The standard icons leave their corners transparent: the corner shows
    // the background the control painted.
    const std::uint32_t background = shown.at(0, 0);
    struct Candidate {
        DialogIcon kind;
        LPCWSTR resource;
    };
    const std::array<Candidate, 4> candidates{{
        {DialogIcon::information, IDI_INFORMATION},
        {DialogIcon::critical, IDI_ERROR},
        {DialogIcon::warning, IDI_WARNING},
        {DialogIcon::question, IDI_QUESTION},
    }};
    DialogIcon best = DialogIcon::unknown;
    double best_difference = 1.0;
    for (const auto& candidate : candidates) {
        const HICON standard = LoadIconW(nullptr, candidate.resource);  // shared: not destroyed
        if (!standard) continue;
        const double d = difference(shown, render_icon(standard, shown.width, shown.height, background));
        if (d < best_difference) {
            best_difference = d;
            best = candidate.kind;
        }
    }
    // A box still being drawn, or an icon of the program's own, matches none.
    constexpr double kMostlySame = 0.05;
    return best_difference <= kMostlySame ? best : DialogIcon::unknown;
}

DialogIcon read_icon(HWND box) {
    for (HWND child : visible_children(box)) {
        if (!is_icon_control(child)) continue;
        if (!shown_icon(child)) return DialogIcon::none;
        // The pixels may lag behind the window's appearance: look again a few times.
        DialogIcon icon = DialogIcon::unknown;
        for (int attempt = 0; attempt < 10 && icon == DialogIcon::unknown; ++attempt) {
            if (attempt > 0) tools::wait_pumping_messages(nullptr, 100);
            icon = classify_icon_pixels(child);
        }
        return icon;
    }
    return DialogIcon::none;
}

}  // namespace

std::wstring read_window_text(HWND window) { return window_text(window); }

std::vector<std::wstring> read_child_texts(HWND window) {
    std::vector<std::wstring> texts;
    for (HWND child : visible_children(window)) texts.push_back(window_text(child));
    return texts;
}

HWND find_message_box(DWORD process_id) { return find_top_level(process_id, true); }

HWND find_main_window(DWORD process_id) { return find_top_level(process_id, false); }

void wait_until_painted(HWND window) {
    // A message sent to the window returns once its thread is back in its
    // message loop, and paints come when that loop has nothing else to do:
    // wait until neither the window nor its children have anything left to
    // paint, then give the X server a moment to show it.
    const auto has_unpainted_part = [](HWND w) { return GetUpdateRect(w, nullptr, FALSE) != FALSE; };
    for (int attempt = 0; attempt < 30; ++attempt) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
        bool pending = has_unpainted_part(window);
        for (HWND child : visible_children(window)) pending = pending || has_unpainted_part(child);
        if (!pending) break;
        tools::wait_pumping_messages(nullptr, 50);
    }
    tools::wait_pumping_messages(nullptr, 100);
}

DialogSeen read_message_box(HWND box) {
    DialogSeen seen;
    seen.title = window_text(box);
    struct Placed {
        int left;
        DialogButton button;
    };
    std::vector<Placed> buttons;
    for (HWND child : visible_children(box)) {
        const std::wstring kind = class_name(child);
        if (kind == L"Static" && GetDlgCtrlID(child) == 0xFFFF) {
            seen.text = window_text(child);
        } else if (kind == L"Button") {
            RECT rect{};
            GetWindowRect(child, &rect);
            const bool is_default = (style_of(child) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            buttons.push_back({rect.left, {GetDlgCtrlID(child), window_text(child), is_default}});
        }
    }
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const Placed& a, const Placed& b) { return a.left < b.left; });
    for (auto& placed : buttons) seen.buttons.push_back(std::move(placed.button));
    seen.icon = read_icon(box);
    return seen;
}

void answer_message_box(HWND box, int id) {
    if (id == button::close) {
        PostMessageW(box, WM_CLOSE, 0, 0);
        return;
    }
    HWND pressed = GetDlgItem(box, id);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(pressed));
}

}  // namespace dialog_driver
