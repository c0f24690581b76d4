// The editor view on Linux: one X11 child window of the host's window, on its own display
// connection, painted through cairo at the view's scale and driven entirely by the host's run
// loop: a timer repaints, and a watch on the connection delivers exposure and the left mouse
// button.

#include "editor/editor_view.h"

#include "editor/editor_interaction.h"
#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "editor/plugin_editor_controls.h"
#include "editor/plugin_editor_model.h"
#include "editor/posix/cairo_picture.h"
#include "editor/posix/desktop_dialogs.h"
#include "editor/posix/host_run_loop.h"
#include "editor/posix/window_raise.h"
#include "editor/posix/x11_window.h"
#include "editor/recording_surface.h"
#include "editor/scalable_view.h"
#include "plugin/utility_plugin.h"

#include "base/source/fobject.h"
#include "public.sdk/source/common/pluginview.h"

#include <algorithm>
#include <cmath>
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
                                 [this] {
                                     const ::Window owner =
                                         window_ != nullptr ? window_->topLevel() : 0;
                                     afterOutsideCall();
                                     return owner;
                                 },
                                 [this](pid_t helper) {
                                     const bool raised =
                                         window_ != nullptr &&
                                         bringProcessWindowToFront(*window_, helper, clickTime_);
                                     afterOutsideCall();
                                     return raised;
                                 })),
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

    // What wakes the editor: the connection's descriptor, the repaint timer, or a call of the
    // editor's own outside event handling, after which Xlib may hold events already read.
    enum class Wake { Connection, Tick, Queued };

    void closeWindow();
    // Handles what the connection brought, then paints when the picture may have changed: at a
    // timer tick, or when an event asked for it; again while Xlib holds events it read meanwhile.
    void handleEvents(Wake wake);
    // Handles at once, or soon when a call of the editor is under way, the events Xlib read
    // during a call made outside event handling.
    void afterOutsideCall();
    void handle(XEvent& event);
    void endDrag(Time time);
    // Shows the picture when the window can be seen and the picture differs from the one shown,
    // or when forced by an event that needs the window drawn again.
    void paint();
    bool startTimer();
    void resizeWindow(ViewSize size) override;
    int designX(int x) const { return toDesignX(x, page()); }
    int designY(int y) const { return toDesignY(y, page()); }

    IPtr<IPlugFrame> frame_; // released after the owner, last of all
    IPtr<UtilityPlugin> owner_;
    PluginEditorModel model_;
    PluginEditorControls controls_;
    HostRunLoop runLoop_;
    NoticeBoard notices_;
    std::unique_ptr<UserDialogs> dialogs_;
    EditorInteraction interaction_;
    std::unique_ptr<X11Window> window_; // set while attached
    RecordingSurface picture_;          // the picture of this paint, as drawing calls
    std::vector<DrawCall> shown_;       // the picture on screen, as drawing calls
    bool redraw_ = true;                // the window needs drawing, whatever it shows
    RunLoopHandler* timer_ = nullptr;   // the repaint timer, while the window can be seen
    RunLoopHandler* drain_ = nullptr;   // a one-off call to handle events Xlib already read
    int handling_ = 0;                  // depth of handleEvents calls under way
    Time clickTime_ = CurrentTime;      // of the last press: a dialog it brings up is the user's
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
        runLoop_.watch(window_->fileDescriptor(),
                       [this](int) { handleEvents(Wake::Connection); }) == nullptr ||
        !startTimer()) {
        closeWindow();
        return kResultFalse;
    }
    systemWindow = parent;
    redraw_ = true;
    if (const double dpi = window_->screenDpi(); dpi > 0.0) {
        followScreenScale(scaleOfDpi(dpi));
    }
    handleEvents(Wake::Connection); // what the connection brought while the window was made
    return kResultOk;
}

void View::closeWindow() {
    dialogs_->closeAll(); // no answer may reach the interaction after this
    runLoop_.disconnect();
    timer_ = nullptr;
    drain_ = nullptr;
    interaction_.endDrag();
    notices_.dismiss();
    window_.reset();
    shown_.clear();
    systemWindow = nullptr;
}

bool View::startTimer() {
    timer_ =
        runLoop_.every(refreshIntervalMs(owner_->kind()), [this] { handleEvents(Wake::Tick); });
    return timer_ != nullptr;
}

void View::handleEvents(Wake wake) {
    // A click may reach the host, which could let the view go before this returns.
    const IPtr<View> self(this);
    ++handling_;
    const struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{handling_};
    bool tick = wake != Wake::Connection;
    // A tick takes only what Xlib already read: the connection's own data wakes the watch.
    bool read = wake == Wake::Connection;
    // Painting waits for the server too, and may read more events: a few rounds take them all.
    for (int round = 0; round < 4 && window_ != nullptr; ++round) {
        XEvent event;
        bool handled = false;
        while (window_ != nullptr && window_->nextEvent(event, read)) {
            handle(event);
            handled = true;
            read = false;
        }
        read = false;
        if (window_ == nullptr) {
            return;
        }
        // A window that cannot be viewed gets no release: a drag ends as it goes.
        if (!window_->viewable()) {
            endDrag(CurrentTime);
        }
        // The timer runs only while the window can be seen: hidden or covered, the editor costs
        // the host nothing until the server tells it is shown again.
        if (window_->visible() != (timer_ != nullptr)) {
            if (timer_ != nullptr) {
                runLoop_.stop(timer_);
                timer_ = nullptr;
                return;
            }
            startTimer();
            redraw_ = true;
            tick = true;
        }
        // Events change the picture at once; the timer catches what the module changed.
        if (tick || (handled && redraw_)) {
            paint();
        }
        tick = false;
        if (window_ == nullptr || !window_->eventsQueued()) {
            return;
        }
    }
}

void View::afterOutsideCall() {
    if (window_ == nullptr || drain_ != nullptr || !window_->eventsQueued()) {
        return;
    }
    if (handling_ > 0) {
        return; // the handling under way takes them before it returns
    }
    // A dialog's call in progress (it asked for the owner window): not inside it, but next.
    drain_ = runLoop_.every(1, [this] {
        runLoop_.stop(drain_);
        drain_ = nullptr;
        handleEvents(Wake::Queued);
    });
}

void View::endDrag(Time time) {
    if (interaction_.drag().active()) {
        interaction_.endDrag();
        if (window_ != nullptr) {
            window_->ungrabPointer(time);
        }
    }
}

void View::handle(XEvent& event) {
    switch (event.type) {
    case Expose:
        redraw_ = redraw_ || event.xexpose.count == 0; // the last of a series
        return;
    case ConfigureNotify:
    case MapNotify:
    case VisibilityNotify:
        redraw_ = true;
        return;
    case ButtonPress:
        if (event.xbutton.button != Button1) {
            return;
        }
        redraw_ = true;
        clickTime_ = event.xbutton.time;
        endDrag(event.xbutton.time); // its release went elsewhere: it ends, grab and all
        if (notices_.dismiss()) {
            return; // the click that takes a notice away does nothing else
        }
        if (interaction_.onMouseDown(designX(event.xbutton.x), designY(event.xbutton.y)) &&
            window_ != nullptr && !window_->grabPointer(event.xbutton.time)) {
            // The drag follows the mouse anywhere, or, without the grab, not at all: another
            // client holds the pointer, and the release would go there.
            endDrag(event.xbutton.time);
        }
        return;
    case MotionNotify:
        if ((event.xmotion.state & Button1Mask) == 0) {
            return;
        }
        window_->skipToLatestMotion(event);
        interaction_.updateDrag(designX(event.xmotion.x), designY(event.xmotion.y));
        redraw_ = true;
        return;
    case ButtonRelease:
        if (event.xbutton.button == Button1) {
            endDrag(event.xbutton.time);
        }
        return;
    case EnterNotify:
    case LeaveNotify:
        // Another client took the pointer, or the server ended the grab (the window became
        // unviewable): no release will come, so the drag ends here.
        if (event.xcrossing.mode == NotifyGrab || event.xcrossing.mode == NotifyUngrab) {
            endDrag(event.xcrossing.time);
        }
        return;
    default:
        return;
    }
}

void View::paint() {
    // Hidden, the window costs nothing; it is drawn again when the server exposes it.
    if (window_ == nullptr || !window_->visible()) {
        return;
    }
    picture_.clear();
    paintEditor(model_, interaction_.bankPage(), picture_);
    if (const auto& notice = notices_.current()) {
        paintNotice(*notice, picture_);
    }
    const std::vector<Rect> areas =
        redraw_ ? std::vector<Rect>{layout::kWholeWindow}
                : changedAreas(picture_.calls(), shown_, layout::kWholeWindow);
    if (areas.empty()) {
        return; // nothing shown has changed
    }
    // Null while the server still reads the last frame: the next tick tries again.
    const ViewSize device = size();
    bool fresh = false;
    cairo_surface_t* canvas = window_->canvas(device.width, device.height, fresh);
    if (canvas == nullptr) {
        redraw_ = true;
        return;
    }
    // Only what changed is drawn again and copied: the canvas holds the rest from before.
    const std::vector<Rect> whole{layout::kWholeWindow};
    window_->presentCanvas(
        repaintAreas(canvas, picture_.calls(), fresh ? whole : areas, pageTransform(device)));
    picture_.swapCalls(shown_);
    redraw_ = false;
}

void View::resizeWindow(ViewSize size) {
    if (window_ == nullptr) {
        return;
    }
    window_->resize(size.width, size.height);
    redraw_ = true;
    // The resize waited for the server, which may have sent a map or an exposure meanwhile: a
    // window shown and resized in one host turn is drawn now, not at the next pointer event.
    if (handling_ == 0) {
        handleEvents(Wake::Queued);
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
