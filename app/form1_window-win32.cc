#include "app/form1_window-win32.h"

#include "app/resources/resource_ids.h"

namespace {

constexpr wchar_t kClassName[] = L"VarenkorCatalogoPatch";
constexpr UINT kRunActivation = WM_APP + 1;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The layout in twips (1440 to the inch).
constexpr int kClientWidth = 4230, kClientHeight = 765;
constexpr int kLabelLeft = 240, kLabelTop = 240, kLabelWidth = 3615, kLabelHeight = 240;
constexpr int kFontHundredthsOfPoint = 975;  // 9.75 pt

struct Dpi {
    int x = 96, y = 96;
    int horizontal(int twips) const { return MulDiv(twips, x, 1440); }
    int vertical(int twips) const { return MulDiv(twips, y, 1440); }
};

Dpi system_dpi() {
    Dpi dpi;
    if (HDC screen = GetDC(nullptr)) {
        dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
        dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return dpi;
}

HFONT make_font(const wchar_t* face, int weight, const Dpi& dpi) {
    return CreateFontW(-MulDiv(kFontHundredthsOfPoint, dpi.y, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
}

}  // namespace

Form1Window::Form1Window(HINSTANCE instance) {
    const Dpi dpi = system_dpi();
    const int icon_size = 64;

    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &Form1Window::procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window_class.lpszClassName = kClassName;
    window_class.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_FORM1), IMAGE_ICON, icon_size, icon_size, LR_SHARED));
    window_class.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_FORM1), IMAGE_ICON,
                                                         GetSystemMetrics(SM_CXSMICON),
                                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    RegisterClassExW(&window_class);

    RECT frame{0, 0, dpi.horizontal(kClientWidth), dpi.vertical(kClientHeight)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    window_ = CreateWindowExW(0, kClassName, L"Varenkor Catalogo", kStyle,
                              (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                              (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                              instance, this);

    form_font_.reset(make_font(L"Tahoma", FW_NORMAL, dpi));
    label_font_.reset(make_font(L"Verdana", FW_BOLD, dpi));
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(form_font_.get()), FALSE);

    label_ = CreateWindowExW(0, L"STATIC", L"aggiornamento in elaborazione...", WS_CHILD | WS_VISIBLE | SS_LEFT,
                             dpi.horizontal(kLabelLeft), dpi.vertical(kLabelTop), dpi.horizontal(kLabelWidth),
                             dpi.vertical(kLabelHeight), window_, nullptr, instance, nullptr);
    SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(label_font_.get()), FALSE);
}

Form1Window::~Form1Window() {
    if (window_) DestroyWindow(window_);
}

void Form1Window::run(int show_command, const std::function<void()>& activation) {
    ShowWindow(window_, show_command);
    UpdateWindow(window_);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == window_ && msg.message == kRunActivation) {
            activation();
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

LRESULT CALLBACK Form1Window::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_ACTIVATE:
            // The patch runs once, on the first activation; posting defers it
            // until the window has been painted.
            if (self && LOWORD(w) != WA_INACTIVE && !self->activated_) {
                self->activated_ = true;
                PostMessageW(window, kRunActivation, 0, 0);
            }
            break;
        case WM_CLOSE:
            // The window closes when the run ends, not while it changes files.
            return 0;
        case WM_CTLCOLORSTATIC:
            SetBkMode(reinterpret_cast<HDC>(w), TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        default:
            break;
    }
    return DefWindowProcW(window, message, w, l);
}
