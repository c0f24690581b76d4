// The editor view where there is no Win32: it answers the host's size and type questions but
// supports no platform type, so no host can attach it and no window is ever made.

#include "editor/editor_view.h"

#include "plugin/utility_plugin.h"

#include "base/source/fobject.h"
#include "public.sdk/source/common/pluginview.h"

namespace quillwave::plugins {
namespace {

using namespace Steinberg;

class View final : public CPluginView {
public:
    explicit View(UtilityPlugin& owner) : owner_(&owner) {
        setRect(ViewRect(0, 0, kViewWidth, kViewHeight));
    }

    tresult PLUGIN_API isPlatformTypeSupported(FIDString /*type*/) override { return kResultFalse; }
    tresult PLUGIN_API attached(void* /*parent*/, FIDString /*type*/) override {
        return kResultFalse;
    }
    tresult PLUGIN_API removed() override { return kResultOk; }

    // A counted reference, released with the view, so a host frame never dangles here.
    tresult PLUGIN_API setFrame(IPlugFrame* frame) override {
        frame_ = frame;
        plugFrame = frame;
        return kResultTrue;
    }
    tresult PLUGIN_API onSize(ViewRect* newSize) override {
        if (newSize == nullptr) {
            return kInvalidArgument;
        }
        rect = *newSize;
        return kResultOk;
    }

private:
    IPtr<IPlugFrame> frame_;    // released after the owner, last of all
    IPtr<UtilityPlugin> owner_; // kept alive while a host holds the view
};

} // namespace

IPlugView* createEditorView(UtilityPlugin& owner, FIDString name,
                            std::unique_ptr<UserDialogs> /*dialogs*/) {
    if (!isEditorViewName(name)) {
        return nullptr;
    }
    return new View(owner);
}

} // namespace quillwave::plugins
