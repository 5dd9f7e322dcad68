#include "tools/driver/screen_capture-win32.h"

#include <cstdlib>
#include <stdexcept>

#include "tools/common/scoped-win32.h"
#include "tools/common/text-win32.h"

namespace dialog_driver {

namespace {

BITMAPINFO top_down_32bit(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: first row is the top one
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

/// Reads a bitmap that is not selected into any DC.
Pixels read_bitmap(HDC compatible_dc, HBITMAP bitmap, int width, int height) {
    Pixels pixels{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    BITMAPINFO info = top_down_32bit(width, height);
    if (!GetDIBits(compatible_dc, bitmap, 0, static_cast<UINT>(height), pixels.rgb.data(), &info,
                   DIB_RGB_COLORS))
        throw std::runtime_error("cannot read the pixels of a bitmap");
    for (auto& pixel : pixels.rgb) pixel &= 0x00FFFFFFu;
    return pixels;
}

}  // namespace

Pixels capture_screen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    tools::ScreenDc screen;
    tools::ScopedMemoryDc memory(CreateCompatibleDC(screen.get()));
    tools::ScopedGdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!memory || !bitmap) throw std::runtime_error("cannot make a bitmap for a screenshot");
    {
        tools::ScopedSelection selected(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top,
                    SRCCOPY | CAPTUREBLT))
            throw std::runtime_error(tools::last_error_message(L"cannot copy the screen"));
    }
    return read_bitmap(memory.get(), static_cast<HBITMAP>(bitmap.get()), width, height);
}

Pixels render_icon(HICON icon, int width, int height, std::uint32_t background) {
    tools::ScreenDc screen;
    tools::ScopedMemoryDc memory(CreateCompatibleDC(screen.get()));
    tools::ScopedGdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    // COLORREF is 0x00BBGGRR, our pixels 0x00RRGGBB.
    const COLORREF colour = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
    tools::ScopedGdiObject brush(CreateSolidBrush(colour));
    if (!memory || !bitmap || !brush) throw std::runtime_error("cannot make a bitmap for an icon");
    {
        tools::ScopedSelection selected(memory.get(), bitmap.get());
        RECT all{0, 0, width, height};
        FillRect(memory.get(), &all, static_cast<HBRUSH>(brush.get()));
        DrawIconEx(memory.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    }
    return read_bitmap(memory.get(), static_cast<HBITMAP>(bitmap.get()), width, height);
}

double difference(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1.0;
    constexpr int kTolerance = 24;  // per channel: allows for dithering and blending
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            const int ca = static_cast<int>((a.rgb[i] >> shift) & 0xFF);
            const int cb = static_cast<int>((b.rgb[i] >> shift) & 0xFF);
            if (std::abs(ca - cb) > kTolerance) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / static_cast<double>(a.rgb.size());
}

void save_bmp(const Pixels& pixels, const std::wstring& path) {
    const std::size_t row_size = (static_cast<std::size_t>(pixels.width) * 3 + 3) & ~std::size_t{3};
    const std::size_t image_size = row_size * pixels.height;

    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + image_size);
    info.biSize = sizeof info;
    info.biWidth = pixels.width;
    info.biHeight = pixels.height;  // positive: bottom row first, as every reader expects
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(image_size);

    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(row_size, '\0');
    for (int y = pixels.height - 1; y >= 0; --y) {
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint32_t pixel = pixels.at(x, y);
            row[x * 3 + 0] = static_cast<char>(pixel & 0xFF);
            row[x * 3 + 1] = static_cast<char>((pixel >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<char>((pixel >> 16) & 0xFF);
        }
        bytes += row;
    }
    tools::write_file(path, bytes);
}

}  // namespace dialog_driver
