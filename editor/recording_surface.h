#pragma once

// A drawing surface that draws nothing and keeps every call with its exact arguments, so a paint
// can be checked, compared or measured on any platform.

#include "editor/drawing_surface.h"

#include <string>
#include <variant>
#include <vector>

namespace quillwave::plugins {

struct FillBoxCall {
    Rect rect;
    Rgb colour;
    bool operator==(const FillBoxCall&) const = default;
};

struct LineCall {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    Rgb colour;
    int width = 0;
    bool operator==(const LineCall&) const = default;
};

struct LabelCall {
    Rect rect;
    std::u16string text;
    Rgb colour;
    int height = 0;
    FontWeight weight = FontWeight::Normal;
    TextPlacement placement = TextPlacement::Left;
    bool operator==(const LabelCall&) const = default;
};

struct CircleCall {
    Rect bounds;
    Rgb colour;
    bool operator==(const CircleCall&) const = default;
};

using DrawCall = std::variant<FillBoxCall, LineCall, LabelCall, CircleCall>;

class RecordingSurface final : public DrawingSurface {
public:
    void fillBox(Rect rect, Rgb colour) override;
    void drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) override;
    void drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height, FontWeight weight,
                   TextPlacement placement) override;
    void fillCircle(Rect bounds, Rgb colour) override;

    const std::vector<DrawCall>& calls() const { return calls_; }

    // Forgets the calls but keeps the storage, so a repeated paint does not reallocate.
    void clear() { calls_.clear(); }

    // Trades the calls for other's, so a paint can be kept without a copy.
    void swapCalls(std::vector<DrawCall>& other) { calls_.swap(other); }

    // The calls of one kind, in drawing order.
    template <typename Call> std::vector<Call> callsOf() const {
        std::vector<Call> out;
        for (const DrawCall& call : calls_) {
            if (const auto* match = std::get_if<Call>(&call)) {
                out.push_back(*match);
            }
        }
        return out;
    }

private:
    std::vector<DrawCall> calls_;
};

// Makes the same calls on another surface, in the same order; with areas, only the calls that
// may draw inside one of them and are not painted over there by a later box: the pixels inside
// the areas come out as the whole replay paints them.
void replay(const std::vector<DrawCall>& calls, DrawingSurface& surface,
            const std::vector<Rect>* areas = nullptr);

// The pixels a call may change, or a little more.
Rect callBounds(const DrawCall& call);

// Where a picture drawn as now differs from one drawn as before: a few rectangles covering the
// bounds of every call that changed, before and after, and of every call only one of them has
// (as when a meter gains or loses a segment). Empty when nothing changed.
std::vector<Rect> changedAreas(const std::vector<DrawCall>& now,
                               const std::vector<DrawCall>& before, Rect within);

} // namespace quillwave::plugins
