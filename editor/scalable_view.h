#pragma once

// What both platforms' editor views share about their size: the host's content scale, the
// screen's scale until the host gives one, and resizing by the user. The view's rectangle is the
// one record of its size, exactly as the host last gave it; the page's scale and place in the
// window derive from it.

#include "editor/view_scale.h"

#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"

namespace quillwave::plugins {

class ScalableView : public Steinberg::CPluginView, public Steinberg::IPlugViewContentScaleSupport {
public:
    ScalableView();

    Steinberg::tresult PLUGIN_API canResize() override { return Steinberg::kResultTrue; }
    // Rounds rect's size to the nearest one at the design's aspect ratio within the user's
    // scales; its left and top stay.
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;
    // Takes any size of at least 1 x 1, as hosts resize their window first and tell the view
    // after: the window takes exactly that size and the page is fitted into it.
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    // 1 to 4; any other factor is refused and changes nothing. Once given, it wins over the
    // screen's scale. The factor given already changes nothing; another one keeps the user's
    // zoom relative to the factor.
    Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

    ViewSize size() const { return {rect.getWidth(), rect.getHeight()}; }
    PageTransform page() const { return pageTransform(size()); }

    OBJ_METHODS(ScalableView, CPluginView)
    DEFINE_INTERFACES
    DEF_INTERFACE(IPlugViewContentScaleSupport)
    END_DEFINE_INTERFACES(CPluginView)
    REFCOUNT_METHODS(CPluginView)

protected:
    // The scale of the screen the window is on; ignored once the host gave its own.
    void followScreenScale(double scale);

    // Resizes the platform window to the view's rectangle and repaints it; only while attached.
    virtual void resizeWindow(ViewSize size) = 0;

private:
    void changeContentScale(double scale);
    void requestSize(ViewSize size);

    double contentScale_ = 1.0; // the host's, or the screen's until the host gives one
    bool hostScaleGiven_ = false;
    bool sizeGiven_ = false; // onSize came, during a resizeView
};

} // namespace quillwave::plugins
