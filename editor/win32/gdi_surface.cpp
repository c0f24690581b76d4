#include "editor/win32/gdi_surface.h"

#include "editor/text_fit.h"

#include <utility>

#include <climits>
#include <cstddef>

namespace quillwave::plugins {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text is passed to the wide API as is");

COLORREF colourRef(Rgb colour) {
    return RGB(colour.r, colour.g, colour.b);
}

RECT winRect(Rect rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

// Deletes a brush, pen or font it created, once nothing has it selected any more.
class OwnedGdiObject {
public:
    explicit OwnedGdiObject(HGDIOBJ object) : object_(object) {}
    ~OwnedGdiObject() {
        if (object_ != nullptr) {
            DeleteObject(object_);
        }
    }
    OwnedGdiObject(const OwnedGdiObject&) = delete;
    OwnedGdiObject& operator=(const OwnedGdiObject&) = delete;
    OwnedGdiObject(OwnedGdiObject&& other) noexcept : object_(other.object_) {
        other.object_ = nullptr;
    }
    OwnedGdiObject& operator=(OwnedGdiObject&& other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    HGDIOBJ get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    HGDIOBJ object_;
};

// Selects an object into the context and puts the previous one back; declared after the
// OwnedGdiObject it selects, so the object is deselected before it is deleted.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

UINT drawTextFlags(TextPlacement placement) {
    switch (placement) {
    case TextPlacement::Left:
        return DT_SINGLELINE | DT_VCENTER;
    case TextPlacement::Centre:
        return DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    case TextPlacement::Right:
        return DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
    case TextPlacement::TopCentre:
        return DT_SINGLELINE | DT_CENTER;
    case TextPlacement::Wrap:
        break;
    }
    return DT_WORDBREAK;
}

} // namespace

void GdiSurface::fillBox(Rect rect, Rgb colour) {
    const OwnedGdiObject brush(CreateSolidBrush(colourRef(colour)));
    if (!brush) {
        return;
    }
    const RECT area = winRect(rect);
    FillRect(dc_, &area, static_cast<HBRUSH>(brush.get()));
}

void GdiSurface::drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) {
    const OwnedGdiObject pen(CreatePen(PS_SOLID, width, colourRef(colour)));
    if (!pen) {
        return;
    }
    const Selection selected(dc_, pen.get());
    MoveToEx(dc_, x1, y1, nullptr);
    LineTo(dc_, x2, y2);
}

namespace {

OwnedGdiObject labelFont(int height, FontWeight weight) {
    return OwnedGdiObject(CreateFontW(-height, 0, 0, 0, static_cast<int>(weight), FALSE, FALSE,
                                      FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI"));
}

} // namespace

void GdiSurface::drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height,
                           FontWeight weight, TextPlacement placement) {
    const auto* chars = reinterpret_cast<const wchar_t*>(text.data());
    const int length =
        text.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
    const RECT box = winRect(rect);
    UINT flags = drawTextFlags(placement);
    // What the text needs in this font: for one line its width, wrapped its height.
    const auto overflow = [&](HGDIOBJ font) {
        const Selection measuring(dc_, font);
        RECT needed = box;
        DrawTextW(dc_, chars, length, &needed, flags | DT_CALCRECT);
        return placement == TextPlacement::Wrap
                   ? std::pair<double, double>(needed.bottom - needed.top, box.bottom - box.top)
                   : std::pair<double, double>(needed.right - needed.left, box.right - box.left);
    };
    OwnedGdiObject font = labelFont(height, weight);
    if (!font) {
        return;
    }
    // Text that fits is drawn as asked; other text shrinks first, then is cut.
    if (auto [needed, available] = overflow(font.get()); needed > available) {
        int size = firstFittingGuess(height, needed, available);
        for (;; --size) {
            OwnedGdiObject smaller = labelFont(size, weight);
            if (!smaller) {
                break;
            }
            font = std::move(smaller);
            if (overflow(font.get()).first <= available || size <= smallestTextHeight(height)) {
                break;
            }
        }
        if (placement != TextPlacement::Wrap) {
            flags |= DT_END_ELLIPSIS;
        }
    }
    const Selection selected(dc_, font.get());
    const int previousMode = SetBkMode(dc_, TRANSPARENT);
    const COLORREF previousColour = SetTextColor(dc_, colourRef(colour));
    RECT area = box;
    DrawTextW(dc_, chars, length, &area, flags);
    SetTextColor(dc_, previousColour);
    SetBkMode(dc_, previousMode);
}

void GdiSurface::fillCircle(Rect bounds, Rgb colour) {
    const OwnedGdiObject brush(CreateSolidBrush(colourRef(colour)));
    if (!brush) {
        return;
    }
    const Selection selectedBrush(dc_, brush.get());
    // The outline is the context's default pen whatever a caller may have left selected.
    const Selection selectedPen(dc_, GetStockObject(BLACK_PEN));
    Ellipse(dc_, bounds.left, bounds.top, bounds.right, bounds.bottom);
}

} // namespace quillwave::plugins
