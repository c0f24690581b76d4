// The editor view on Linux: one X11 child window of the host's window, on its own display
// connection, painted through cairo at the view's scale and driven entirely by the host's run
// loop: a timer repaints, and a watch on the connection delivers exposure and the left mouse
// button.

#include "editor/editor_view.h"

#include "editor/editor_interaction.h"
#include "editor/plugin_editor_controls.h"
#include "editor/plugin_editor_model.h"
#include "editor/posix/cairo_picture.h"
#include "editor/posix/desktop_dialogs.h"
#include "editor/posix/host_run_loop.h"
#include "editor/posix/x11_window.h"
#include "editor/scalable_view.h"
#include "plugin/utility_plugin.h"

#include <cstring>

namespace quillwave::plugins {
namespace {

using namespace Steinberg;

class View final : public ScalableView {
public:
    View(UtilityPlugin& owner, std::unique_ptr<UserDialogs> dialogs)
        : owner_(&owner), model_(owner), controls_(owner),
          dialogs_(dialogs ? std::move(dialogs)
                           : std::make_unique<DesktopDialogs>(
                                 runLoop_, notices_,
                                 [this] { return window_ != nullptr ? window_->id() : 0; })),
          interaction_(controls_, *dialogs_) {}

    ~View() override { closeWindow(); }

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override {
        return isX11(type) ? kResultTrue : kResultFalse;
    }

    tresult PLUGIN_API attached(void* parent, FIDString type) override;

    tresult PLUGIN_API removed() override {
        closeWindow();
        return kResultOk;
    }

    // A counted reference, released with the view, so a host frame never dangles here.
    tresult PLUGIN_API setFrame(IPlugFrame* frame) override {
        frame_ = frame;
        plugFrame = frame;
        return kResultTrue;
    }

private:
    static bool isX11(FIDString type) {
        return type != nullptr && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0;
    }

    void closeWindow();
    // Handles what the connection brought and repaints when that asks for it, or always.
    void handleEvents(bool repaint = false);
    void handle(XEvent& event, bool& repaint);
    void paint();
    void resizeWindow(ViewSize size) override;
    int designX(int x) const { return toDesign(x, scale()); }
    int designY(int y) const { return toDesign(y, scale()); }

    IPtr<IPlugFrame> frame_; // released after the owner, last of all
    IPtr<UtilityPlugin> owner_;
    PluginEditorModel model_;
    PluginEditorControls controls_;
    HostRunLoop runLoop_;
    NoticeBoard notices_;
    std::unique_ptr<UserDialogs> dialogs_;
    EditorInteraction interaction_;
    std::unique_ptr<X11Window> window_; // set while attached
};

tresult PLUGIN_API View::attached(void* parent, FIDString type) {
    if (window_ != nullptr || parent == nullptr || !isX11(type)) {
        return kResultFalse;
    }
    // Timers and X events can only come from the host's run loop.
    if (!runLoop_.connect(frame_)) {
        return kResultFalse;
    }
    window_ =
        X11Window::create(reinterpret_cast<std::uintptr_t>(parent), size().width, size().height);
    if (window_ == nullptr ||
        runLoop_.watch(window_->fileDescriptor(), [this](int) { handleEvents(); }) == nullptr ||
        runLoop_.every(refreshIntervalMs(owner_->kind()), [this] { handleEvents(true); }) ==
            nullptr) {
        closeWindow();
        return kResultFalse;
    }
    systemWindow = parent;
    if (const double dpi = window_->screenDpi(); dpi > 0.0) {
        followScreenScale(scaleOfDpi(dpi));
    }
    handleEvents(); // what the connection already read while the window was made
    return kResultOk;
}

void View::closeWindow() {
    dialogs_->closeAll(); // no answer may reach the interaction after this
    runLoop_.disconnect();
    interaction_.endDrag();
    notices_.dismiss();
    window_.reset();
    systemWindow = nullptr;
}

void View::handleEvents(bool repaint) {
    // A click may reach the host, which could let the view go before this returns.
    const IPtr<View> self(this);
    XEvent event;
    while (window_ != nullptr && window_->nextEvent(event)) {
        handle(event, repaint);
    }
    if (repaint) {
        paint();
    }
}

void View::handle(XEvent& event, bool& repaint) {
    switch (event.type) {
    case Expose:
        repaint = repaint || event.xexpose.count == 0; // the last of a series
        return;
    case ConfigureNotify:
    case MapNotify:
        repaint = true;
        return;
    case ButtonPress:
        if (event.xbutton.button != Button1) {
            return;
        }
        repaint = true;
        if (notices_.dismiss()) {
            return; // the click that takes a notice away does nothing else
        }
        if (interaction_.onMouseDown(designX(event.xbutton.x), designY(event.xbutton.y)) &&
            window_ != nullptr) {
            window_->grabPointer(event.xbutton.time); // the drag follows the mouse anywhere
        }
        return;
    case MotionNotify:
        if ((event.xmotion.state & Button1Mask) == 0) {
            return;
        }
        window_->skipToLatestMotion(event);
        interaction_.updateDrag(designX(event.xmotion.x), designY(event.xmotion.y));
        repaint = true;
        return;
    case ButtonRelease:
        if (event.xbutton.button == Button1) {
            interaction_.endDrag();
            window_->ungrabPointer(event.xbutton.time);
        }
        return;
    default:
        return;
    }
}

void View::paint() {
    if (window_ == nullptr || !window_->alive()) {
        return;
    }
    const auto& notice = notices_.current();
    // Out of memory this frame is skipped; the next timer tick tries again.
    const CairoPicture picture =
        paintPicture(model_, interaction_.bankPage(), notice ? &*notice : nullptr, size());
    if (picture != nullptr) {
        window_->present(picture.get(), size().width, size().height);
    }
}

void View::resizeWindow(ViewSize size) {
    if (window_ != nullptr) {
        window_->resize(size.width, size.height);
        paint();
    }
}

} // namespace

IPlugView* createEditorView(UtilityPlugin& owner, FIDString name,
                            std::unique_ptr<UserDialogs> dialogs) {
    if (!isEditorViewName(name)) {
        return nullptr;
    }
    return new View(owner, std::move(dialogs));
}

} // namespace quillwave::plugins
