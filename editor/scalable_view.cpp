#include "editor/scalable_view.h"

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
    if (newSize == nullptr) {
        return kInvalidArgument;
    }
    const ViewSize wanted{newSize->getWidth(), newSize->getHeight()};
    if (constrainViewSize(wanted.width, wanted.height) != wanted) {
        return kResultFalse; // a size the view would never have proposed
    }
    const bool resized = wanted != size();
    rect = *newSize;
    if (resized && isAttached()) {
        resizeWindow(wanted);
    }
    return kResultOk;
}

tresult PLUGIN_API ScalableView::setContentScaleFactor(ScaleFactor factor) {
    if (!isContentScale(factor)) {
        return kInvalidArgument;
    }
    hostScaleGiven_ = true;
    requestSize(scaledViewSize(factor));
    return kResultTrue;
}

void ScalableView::followScreenScale(double scale) {
    if (!hostScaleGiven_) {
        requestSize(scaledViewSize(scale));
    }
}

void ScalableView::requestSize(ViewSize wanted) {
    if (wanted == size()) {
        return;
    }
    ViewRect next(rect.left, rect.top, rect.left + wanted.width, rect.top + wanted.height);
    if (isAttached() && plugFrame != nullptr) {
        // The host resizes its own window and then calls onSize, which resizes ours.
        plugFrame->resizeView(this, &next);
        return;
    }
    onSize(&next);
}

} // namespace quillwave::plugins
