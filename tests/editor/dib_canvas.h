#pragma once

// A 32-bit top-down DIB section selected into a memory device context, as the editor's paint
// cycle uses, with direct access to its pixels. Windows only.

#include "editor/drawing_surface.h"

#include <windows.h>

#include <cstdint>
#include <stdexcept>

namespace quillwave::test {

class DibCanvas {
public:
    DibCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down: row 0 first in memory
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dc_ == nullptr || bitmap_ == nullptr || bits == nullptr) {
            throw std::runtime_error("cannot create a DIB section");
        }
        bits_ = static_cast<const std::uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~DibCanvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }

    plugins::Rgb pixel(int x, int y) const {
        GdiFlush();
        const std::uint32_t bgrx = bits_[static_cast<std::size_t>(y) * width_ + x];
        return {static_cast<std::uint8_t>(bgrx >> 16), static_cast<std::uint8_t>(bgrx >> 8),
                static_cast<std::uint8_t>(bgrx)};
    }

    // Raw rows, top first, blue-green-red-unused bytes per pixel.
    const std::uint32_t* bits() const {
        GdiFlush();
        return bits_;
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
};

} // namespace quillwave::test
