#include "editor/posix/cairo_surface.h"

#include "editor/text_fit.h"
#include "platform/utf.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace quillwave::plugins {
namespace {

void setColour(cairo_t* cr, Rgb colour) {
    cairo_set_source_rgb(cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
}

// Saves the context and restores it at the end of one drawing call.
class SavedState {
public:
    explicit SavedState(cairo_t* cr) : cr_(cr) { cairo_save(cr_); }
    ~SavedState() { cairo_restore(cr_); }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    cairo_t* cr_;
};

// The span a GDI pen of `width` covers across a line at `at`: one pixel for width 1, and wider
// pens grow as much above (or left) as needed to stay centred, the extra pixel below.
void penSpan(int at, int width, int& first, int& last) {
    first = at - width / 2;
    last = first + std::max(width, 1) - 1;
}

// The two faces of the editor's font, made once: looking a face up for every label is a good
// part of a label's cost. They live as long as the process, as cairo does (see cairo_picture).
cairo_font_face_t* editorFace(FontWeight weight) {
    // Fontconfig has no semibold DejaVu Sans: 600 is set bold, as its nearest face.
    static cairo_font_face_t* const normal = cairo_toy_font_face_create(
        kEditorFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    static cairo_font_face_t* const bold = cairo_toy_font_face_create(
        kEditorFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    return weight == FontWeight::Normal ? normal : bold;
}

const cairo_font_options_t* labelFontOptions() {
    static cairo_font_options_t* const options = [] {
        cairo_font_options_t* made = cairo_font_options_create();
        cairo_font_options_set_antialias(made, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_metrics(made, CAIRO_HINT_METRICS_ON);
        return made;
    }();
    return options;
}

double advance(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

// Greedy word wrap into lines no wider than width; a word wider than a line stands alone and
// is clipped, and a line break in the text always breaks.
std::vector<std::string> wrapLines(cairo_t* cr, const std::string& text, double width) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find_first_of(" \n", at), text.size());
        const std::string word = text.substr(at, end - at);
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && advance(cr, candidate) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        if (end < text.size() && text[end] == '\n') {
            lines.push_back(line);
            line.clear();
        }
        at = end + 1;
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

void CairoSurface::fillBox(Rect rect, Rgb colour) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        return;
    }
    if (fillsPending_ && !(colour == pendingColour_)) {
        flushFills();
    }
    if (!fillsPending_) {
        cairo_save(cr_);
        cairo_new_path(cr_);
        cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
        setColour(cr_, colour);
        fillsPending_ = true;
        pendingColour_ = colour;
    }
    cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void CairoSurface::flushFills() {
    if (!fillsPending_) {
        return;
    }
    cairo_fill(cr_);
    cairo_restore(cr_);
    fillsPending_ = false;
}

void CairoSurface::drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) {
    // Straight lines as exact pixel spans, leaving out the end point as a GDI LineTo does.
    if (y1 == y2 && x1 != x2) {
        int top = 0;
        int bottom = 0;
        penSpan(y1, width, top, bottom);
        const int left = x1 < x2 ? x1 : x2 + 1;
        const int right = x1 < x2 ? x2 : x1 + 1;
        fillBox({left, top, right, bottom + 1}, colour);
        return;
    }
    if (x1 == x2 && y1 != y2) {
        int left = 0;
        int right = 0;
        penSpan(x1, width, left, right);
        const int top = y1 < y2 ? y1 : y2 + 1;
        const int bottom = y1 < y2 ? y2 : y1 + 1;
        fillBox({left, top, right + 1, bottom}, colour);
        return;
    }
    if (x1 == x2) {
        return; // a line of no length draws nothing
    }
    flushFills();
    const SavedState saved(cr_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    setColour(cr_, colour);
    cairo_set_line_width(cr_, std::max(width, 1));
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_move_to(cr_, x1 + 0.5, y1 + 0.5);
    cairo_line_to(cr_, x2 + 0.5, y2 + 0.5);
    cairo_stroke(cr_);
}

void CairoSurface::drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height,
                             FontWeight weight, TextPlacement placement) {
    if (rect.right <= rect.left || rect.bottom <= rect.top || text.empty()) {
        return;
    }
    flushFills();
    const std::string utf8 = platform::utf16ToUtf8(text);
    const SavedState saved(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    cairo_clip(cr_);
    cairo_set_font_face(cr_, editorFace(weight));
    cairo_set_font_options(cr_, labelFontOptions());
    setColour(cr_, colour);

    cairo_font_extents_t font;
    const auto setSize = [&](int size) {
        cairo_set_font_size(cr_, size);
        cairo_font_extents(cr_, &font);
    };
    setSize(height);
    const double width = rect.right - rect.left;
    const double boxHeight = rect.bottom - rect.top;
    const auto show = [&](double x, double baseline, const std::string& line) {
        cairo_move_to(cr_, std::round(x), std::round(baseline));
        cairo_show_text(cr_, line.c_str());
    };
    const int smallest = smallestTextHeight(height);

    if (placement == TextPlacement::Wrap) {
        // Shrinks while the wrapped lines run past the bottom of the box.
        auto lines = wrapLines(cr_, utf8, width);
        const auto tall = [&] { return lines.size() * (font.ascent + font.descent) > boxHeight; };
        for (int size = height; tall() && size > smallest;) {
            setSize(--size);
            lines = wrapLines(cr_, utf8, width);
        }
        double baseline = rect.top + font.ascent;
        for (const std::string& line : lines) {
            show(rect.left, baseline, line);
            baseline += font.ascent + font.descent;
        }
        return;
    }
    // One line: only the first line of the text, as a single-line GDI label shows it.
    std::string line = utf8.substr(0, utf8.find('\n'));
    double lineWidth = advance(cr_, line);
    if (lineWidth > width) {
        int size = firstFittingGuess(height, lineWidth, width);
        setSize(size);
        while (advance(cr_, line) > width && size > smallest) {
            setSize(--size);
        }
        if (advance(cr_, line) > width) {
            const std::string ellipsis = platform::utf16ToUtf8(std::u16string(1, kEllipsis));
            while (!line.empty() && advance(cr_, line + ellipsis) > width) {
                // One whole UTF-8 character: its continuation bytes, then its first byte.
                while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) {
                    line.pop_back();
                }
                if (!line.empty()) {
                    line.pop_back();
                }
            }
            line += ellipsis;
        }
        lineWidth = advance(cr_, line);
    }
    const double lineHeight = font.ascent + font.descent;
    const double centredBaseline = rect.top + (boxHeight - lineHeight) / 2 + font.ascent;
    switch (placement) {
    case TextPlacement::Left:
        show(rect.left, centredBaseline, line);
        break;
    case TextPlacement::Centre:
        show(rect.left + (width - lineWidth) / 2, centredBaseline, line);
        break;
    case TextPlacement::Right:
        show(rect.right - lineWidth, centredBaseline, line);
        break;
    case TextPlacement::TopCentre:
        show(rect.left + (width - lineWidth) / 2, rect.top + font.ascent, line);
        break;
    case TextPlacement::Wrap:
        break;
    }
}

void CairoSurface::fillCircle(Rect bounds, Rgb colour) {
    const double rx = (bounds.right - bounds.left) / 2.0 - 0.5;
    const double ry = (bounds.bottom - bounds.top) / 2.0 - 0.5;
    if (rx <= 0 || ry <= 0) {
        return;
    }
    flushFills();
    const SavedState saved(cr_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_save(cr_);
    cairo_translate(cr_, (bounds.left + bounds.right) / 2.0, (bounds.top + bounds.bottom) / 2.0);
    cairo_scale(cr_, rx, ry);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
    setColour(cr_, colour);
    cairo_fill_preserve(cr_);
    // Outlined like a GDI ellipse drawn with the default pen: black, one pixel.
    cairo_set_source_rgb(cr_, 0, 0, 0);
    cairo_set_line_width(cr_, 1);
    cairo_stroke(cr_);
}

} // namespace quillwave::plugins
