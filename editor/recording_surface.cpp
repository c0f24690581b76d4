#include "editor/recording_surface.h"

#include <algorithm>

namespace quillwave::plugins {

void RecordingSurface::fillBox(Rect rect, Rgb colour) {
    calls_.emplace_back(FillBoxCall{rect, colour});
}

void RecordingSurface::drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) {
    calls_.emplace_back(LineCall{x1, y1, x2, y2, colour, width});
}

void RecordingSurface::drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height,
                                 FontWeight weight, TextPlacement placement) {
    calls_.emplace_back(LabelCall{rect, std::u16string(text), colour, height, weight, placement});
}

void RecordingSurface::fillCircle(Rect bounds, Rgb colour) {
    calls_.emplace_back(CircleCall{bounds, colour});
}

namespace {

bool overlaps(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Rect unite(const Rect& a, const Rect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Rect clipTo(const Rect& r, const Rect& within) {
    return {std::max(r.left, within.left), std::max(r.top, within.top),
            std::min(r.right, within.right), std::min(r.bottom, within.bottom)};
}

// A few areas are cheaper to copy than many small ones, and merging keeps them disjoint.
constexpr std::size_t kMostAreas = 6;

void addArea(std::vector<Rect>& areas, Rect area) {
    if (area.left >= area.right || area.top >= area.bottom) {
        return;
    }
    for (bool merged = true; merged;) {
        merged = false;
        for (auto it = areas.begin(); it != areas.end(); ++it) {
            if (overlaps(*it, area)) {
                area = unite(*it, area);
                areas.erase(it);
                merged = true;
                break;
            }
        }
    }
    areas.push_back(area);
    if (areas.size() > kMostAreas) {
        Rect all = areas.front();
        for (const Rect& r : areas) {
            all = unite(all, r);
        }
        areas.assign(1, all);
    }
}

} // namespace

Rect callBounds(const DrawCall& call) {
    if (const auto* box = std::get_if<FillBoxCall>(&call)) {
        return box->rect;
    }
    if (const auto* line = std::get_if<LineCall>(&call)) {
        const int pad = line->width + 1;
        return {std::min(line->x1, line->x2) - pad, std::min(line->y1, line->y2) - pad,
                std::max(line->x1, line->x2) + pad, std::max(line->y1, line->y2) + pad};
    }
    if (const auto* label = std::get_if<LabelCall>(&call)) {
        return label->rect; // text is clipped to its rectangle
    }
    const auto& circle = std::get<CircleCall>(call);
    const Rect b = circle.bounds;
    return {b.left - 1, b.top - 1, b.right + 1, b.bottom + 1}; // with its outline
}

std::vector<Rect> changedAreas(const std::vector<DrawCall>& now,
                               const std::vector<DrawCall>& before, Rect within) {
    // Walks both pictures in drawing order, pairing calls one to one. Where one picture has
    // more calls left (a meter grew or lost a segment), its extra call at a mismatch is taken
    // alone, so the calls behind it pair up again. A pixel outside every call that is unpaired
    // or changed meets the same calls in the same order in both pictures, and so is unchanged.
    std::vector<Rect> areas;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < now.size() || j < before.size()) {
        const std::size_t nowLeft = now.size() - i;
        const std::size_t beforeLeft = before.size() - j;
        if (nowLeft > 0 && beforeLeft > 0 && now[i] == before[j]) {
            ++i;
            ++j;
        } else if (nowLeft > beforeLeft) {
            addArea(areas, clipTo(callBounds(now[i++]), within));
        } else if (beforeLeft > nowLeft) {
            addArea(areas, clipTo(callBounds(before[j++]), within));
        } else {
            addArea(areas, clipTo(unite(callBounds(now[i++]), callBounds(before[j++])), within));
        }
    }
    return areas;
}

namespace {

bool contains(const Rect& outer, const Rect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Whether calls[index] changes no pixel inside areas that stays: it misses them all, or a later
// box (boxes: the indices of the boxes that meet them, in order) paints over all it has inside
// each one it meets, as the panels do over the background.
bool unseen(const std::vector<DrawCall>& calls, std::size_t index,
            const std::vector<std::size_t>& boxes, const std::vector<Rect>& areas) {
    const Rect bounds = callBounds(calls[index]);
    const auto later = std::upper_bound(boxes.begin(), boxes.end(), index);
    for (const Rect& area : areas) {
        if (!overlaps(area, bounds)) {
            continue;
        }
        const Rect inside = clipTo(bounds, area);
        if (std::none_of(later, boxes.end(), [&](std::size_t box) {
                return contains(std::get<FillBoxCall>(calls[box]).rect, inside);
            })) {
            return false;
        }
    }
    return true;
}

} // namespace

void replay(const std::vector<DrawCall>& calls, DrawingSurface& surface,
            const std::vector<Rect>* areas) {
    std::vector<std::size_t> boxes;
    if (areas != nullptr) {
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (const auto* box = std::get_if<FillBoxCall>(&calls[i]);
                box != nullptr && std::any_of(areas->begin(), areas->end(), [&](const Rect& a) {
                    return overlaps(a, box->rect);
                })) {
                boxes.push_back(i);
            }
        }
    }
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const DrawCall& call = calls[i];
        if (areas != nullptr && unseen(calls, i, boxes, *areas)) {
            continue;
        }
        if (const auto* box = std::get_if<FillBoxCall>(&call)) {
            surface.fillBox(box->rect, box->colour);
        } else if (const auto* line = std::get_if<LineCall>(&call)) {
            surface.drawLine(line->x1, line->y1, line->x2, line->y2, line->colour, line->width);
        } else if (const auto* label = std::get_if<LabelCall>(&call)) {
            surface.drawLabel(label->rect, label->text, label->colour, label->height, label->weight,
                              label->placement);
        } else if (const auto* circle = std::get_if<CircleCall>(&call)) {
            surface.fillCircle(circle->bounds, circle->colour);
        }
    }
}

} // namespace quillwave::plugins
