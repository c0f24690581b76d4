#pragma once

// What both platforms' editor views share about their size: the host's content scale, the
// screen's scale until the host gives one, and resizing by the user at the design's aspect
// ratio. The view's rectangle is the one record of its size; the picture's scale derives from
// its width.

#include "editor/view_scale.h"

#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"

namespace quillwave::plugins {

class ScalableView : public Steinberg::CPluginView, public Steinberg::IPlugViewContentScaleSupport {
public:
    ScalableView();

    Steinberg::tresult PLUGIN_API canResize() override { return Steinberg::kResultTrue; }
    // Rounds rect's size to the nearest one the view takes; its left and top stay.
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;
    // Takes only a size checkSizeConstraint leaves unchanged, and resizes the window to it.
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    // 1 to 4; any other factor is refused and changes nothing. Once given, it wins over the
    // screen's scale.
    Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

    ViewSize size() const { return {rect.getWidth(), rect.getHeight()}; }
    double scale() const { return size().scale(); }

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
    void requestSize(ViewSize size);

    bool hostScaleGiven_ = false;
};

} // namespace quillwave::plugins
