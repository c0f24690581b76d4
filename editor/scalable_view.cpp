#include "editor/scalable_view.h"

#include <algorithm>
#include <cstdlib>

namespace quillwave::plugins {

using namespace Steinberg;

ScalableView::ScalableView() {
    setRect(ViewRect(0, 0, layout::kWidth, layout::kHeight));
}

tresult PLUGIN_API ScalableView::checkSizeConstraint(ViewRect* proposed) {
    if (proposed == nullptr) {
        return kInvalidArgument;
    }
    const ViewSize fitted = constrainViewSize(proposed->getWidth(), proposed->getHeight());
    proposed->right = proposed->left + fitted.width;
    proposed->bottom = proposed->top + fitted.height;
    return kResultTrue;
}

tresult PLUGIN_API ScalableView::onSize(ViewRect* newSize) {
    if (newSize == nullptr || newSize->getWidth() < 1 || newSize->getHeight() < 1) {
        return kInvalidArgument;
    }
    const ViewSize given{newSize->getWidth(), newSize->getHeight()};
    const bool resized = given != size();
    rect = *newSize;
    sizeGiven_ = true;
    if (resized && isAttached()) {
        resizeWindow(given);
    }
    return kResultOk;
}

tresult PLUGIN_API ScalableView::setContentScaleFactor(ScaleFactor factor) {
    if (!isContentScale(factor)) {
        return kInvalidArgument;
    }
    hostScaleGiven_ = true;
    changeContentScale(factor);
    return kResultTrue;
}

void ScalableView::followScreenScale(double scale) {
    if (!hostScaleGiven_) {
        changeContentScale(scale);
    }
}

void ScalableView::changeContentScale(double scale) {
    if (scale == contentScale_) {
        return; // the size follows this factor already, or the user chose another
    }
    // Within a pixel of the factor's own size (hosts round) the user kept it: no zoom of theirs.
    const ViewSize own = scaledViewSize(contentScale_);
    const bool ownSize =
        std::abs(own.width - size().width) <= 1 && std::abs(own.height - size().height) <= 1;
    const double zoom = ownSize ? 1.0 : page().scale / contentScale_;
    contentScale_ = scale;
    requestSize(scaledViewSize(std::clamp(scale * zoom, kMinUserScale, kMaxUserScale)));
}

void ScalableView::requestSize(ViewSize wanted) {
    if (wanted == size()) {
        return;
    }
    ViewRect next(rect.left, rect.top, rect.left + wanted.width, rect.top + wanted.height);
    if (isAttached() && plugFrame != nullptr) {
        // The host resizes its own window and then calls onSize, which resizes ours; a host that
        // grants the size without calling it gets what it granted all the same (the size asked,
        // or the one it wrote back).
        sizeGiven_ = false;
        ViewRect granted = next;
        if (plugFrame->resizeView(this, &granted) == kResultOk && !sizeGiven_) {
            onSize(&granted);
        }
        return;
    }
    onSize(&next);
}

} // namespace quillwave::plugins
