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

long long pixels(const Rect& r) {
    return static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
}

// Adds area, merged with those it overlaps.
void absorb(std::vector<Rect>& areas, Rect area) {
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
}

void addArea(std::vector<Rect>& areas, Rect area) {
    if (area.left >= area.right || area.top >= area.bottom) {
        return;
    }
    absorb(areas, area);
    // Too many: the two whose union adds the fewest unchanged pixels become one, so far-apart
    // texts and meters do not grow into one area over everything between them.
    while (areas.size() > kMostAreas) {
        std::size_t first = 0;
        std::size_t second = 1;
        long long fewest = -1;
        for (std::size_t i = 0; i < areas.size(); ++i) {
            for (std::size_t j = i + 1; j < areas.size(); ++j) {
                const long long added =
                    pixels(unite(areas[i], areas[j])) - pixels(areas[i]) - pixels(areas[j]);
                if (fewest < 0 || added < fewest) {
                    fewest = added;
                    first = i;
                    second = j;
                }
            }
        }
        const Rect merged = unite(areas[first], areas[second]);
        areas.erase(areas.begin() + static_cast<std::ptrdiff_t>(second));
        areas.erase(areas.begin() + static_cast<std::ptrdiff_t>(first));
        absorb(areas, merged);
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

namespace {

// At a mismatch of now[i] and before[j]: the fewest calls to skip in both pictures, within a
// few, for equal calls to meet again (as when a meter gained or lost segments); false when
// none are near.
bool resync(const std::vector<DrawCall>& now, std::size_t i, const std::vector<DrawCall>& before,
            std::size_t j, std::size_t& skipNow, std::size_t& skipBefore) {
    constexpr std::size_t kLookAhead = 24;
    for (std::size_t skipped = 1; skipped <= kLookAhead; ++skipped) {
        for (std::size_t a = 0; a <= skipped; ++a) {
            const std::size_t b = skipped - a;
            if (i + a < now.size() && j + b < before.size() && now[i + a] == before[j + b]) {
                skipNow = a;
                skipBefore = b;
                return true;
            }
        }
    }
    return false;
}

} // namespace

std::vector<Rect> changedAreas(const std::vector<DrawCall>& now,
                               const std::vector<DrawCall>& before, Rect within) {
    // Walks both pictures in drawing order, pairing calls one to one. At a mismatch, the calls
    // that one picture has and the other lacks (a meter grew or lost segments) are taken alone,
    // so the calls behind them pair up again: the fewest that let equal calls meet, or else,
    // with none near, the extra call of the picture that has more left. A pixel outside every
    // call that is unpaired or changed meets the same calls in the same order in both pictures,
    // and so is unchanged.
    std::vector<Rect> areas;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < now.size() || j < before.size()) {
        const std::size_t nowLeft = now.size() - i;
        const std::size_t beforeLeft = before.size() - j;
        if (nowLeft > 0 && beforeLeft > 0 && now[i] == before[j]) {
            ++i;
            ++j;
            continue;
        }
        std::size_t skipNow = 0;
        std::size_t skipBefore = 0;
        if (resync(now, i, before, j, skipNow, skipBefore)) {
            for (; skipNow > 0; --skipNow) {
                addArea(areas, clipTo(callBounds(now[i++]), within));
            }
            for (; skipBefore > 0; --skipBefore) {
                addArea(areas, clipTo(callBounds(before[j++]), within));
            }
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
