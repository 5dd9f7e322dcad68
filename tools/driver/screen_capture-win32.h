#pragma once
// Pixels of the screen as the X server shows them (Wine draws every window on
// the Xvfb screen), for screenshots and for recognising a box's icon.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dialog_driver {

/// 32-bit pixels (0x00RRGGBB), top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;

    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

/// What the screen shows inside `area` (screen coordinates).
Pixels capture_screen(const RECT& area);

/// `icon` drawn stretched to width × height over a plain `background`, the
/// way a static icon control paints it.
Pixels render_icon(HICON icon, int width, int height, std::uint32_t background);

/// The share (0..1) of pixels whose colour differs noticeably; 1 when the
/// sizes differ.
double difference(const Pixels& a, const Pixels& b);

/// Saves as an uncompressed 24-bit BMP; throws std::runtime_error on failure.
void save_bmp(const Pixels& pixels, const std::wstring& path);

}  // namespace dialog_driver
