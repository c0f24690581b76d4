#pragma once

// What the Linux window tests need of a desktop and a host: a connection of the test's own with a
// top-level window as the host's parent, and a host frame with a real poll-driven run loop that
// counts the handlers registered with it. Linux only.

#include "editor/drawing_surface.h"

#include "pluginterfaces/gui/iplugview.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include <poll.h>
#include <time.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <vector>

namespace quillwave::test {

using namespace Steinberg;

class TestDisplay {
public:
    // Where the host's window sits on the screen: away from the edges, so the pointer can leave
    // the editor on every side.
    static constexpr int kLeft = 100;
    static constexpr int kTop = 100;

    TestDisplay() : display_(XOpenDisplay(nullptr)) {
        if (display_ == nullptr) {
            throw std::runtime_error("no X display: run under scripts/xvfb-run.sh");
        }
        XSetWindowAttributes attributes{};
        attributes.background_pixel = 0x00FF00FF; // a colour the editor never paints
        parent_ =
            XCreateWindow(display_, DefaultRootWindow(display_), kLeft, kTop, 2000, 1240, 0,
                          CopyFromParent, InputOutput, CopyFromParent, CWBackPixel, &attributes);
        XMapWindow(display_, parent_);
        XSync(display_, False);
    }
    ~TestDisplay() {
        XDestroyWindow(display_, parent_);
        XCloseDisplay(display_);
    }
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    Display* display() const { return display_; }
    // The host's window, as a view receives it for "X11EmbedWindowID".
    void* parent() const { return reinterpret_cast<void*>(parent_); }

    // The children of the host's window, or of another, bottom to top.
    std::vector<::Window> children(::Window of = 0) const {
        ::Window root = 0;
        ::Window up = 0;
        ::Window* list = nullptr;
        unsigned count = 0;
        std::vector<::Window> out;
        if (XQueryTree(display_, of != 0 ? of : parent_, &root, &up, &list, &count) != 0) {
            out.assign(list, list + count);
            XFree(list);
        }
        return out;
    }

    // Clients connected to the server: each editor window has a connection of its own.
    int clientCount() const {
        int count = 0;
        XResClient* clients = nullptr;
        XResQueryClients(display_, &count, &clients);
        XFree(clients);
        return count;
    }

    // The window's pixels as the server has them.
    class Image {
    public:
        explicit Image(XImage* image) : image_(image) {}
        ~Image() {
            if (image_ != nullptr) {
                XDestroyImage(image_);
            }
        }
        Image(const Image&) = delete;
        Image& operator=(const Image&) = delete;
        bool valid() const { return image_ != nullptr; }
        plugins::Rgb at(int x, int y) const {
            const unsigned long p = XGetPixel(image_, x, y);
            return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                    static_cast<std::uint8_t>(p)};
        }

    private:
        XImage* image_;
    };
    // The whole window; the parent and the screen leave room for it at 2 x.
    Image grab(::Window window) const {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display_, window, &attributes) == 0) {
            return Image(nullptr);
        }
        return Image(XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                               static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap));
    }

private:
    Display* display_;
    ::Window parent_ = 0;
};

// A host frame whose run loop polls the registered descriptors and fires the timers, as a Linux
// host's user-interface thread does. Handlers may register and unregister from their calls.
class PollingHost final : public IPlugFrame, public Linux::IRunLoop {
public:
    explicit PollingHost(bool offersRunLoop = true) : offersRunLoop_(offersRunLoop) {}
    ~PollingHost() {
        for (auto& f : fds_) {
            f.handler->release();
        }
        for (auto& t : timers_) {
            t.handler->release();
        }
    }

    // As a host does: resizes its window (here: notes the size) and tells the view in onSize.
    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override {
        if (view == nullptr || newSize == nullptr) {
            return kInvalidArgument;
        }
        resizes.push_back(*newSize);
        if (!tellsView) {
            return kResultOk;
        }
        ViewRect given = *newSize;
        given.right += roundUp;
        given.bottom += roundUp;
        return view->onSize(&given);
    }

    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler,
                                            Linux::FileDescriptor fd) override {
        if (handler == nullptr || fd < 0) {
            return kInvalidArgument;
        }
        handler->addRef();
        fds_.push_back({handler, fd, ++serial_});
        return kResultOk;
    }
    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override {
        return drop(fds_, handler);
    }
    tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler,
                                     Linux::TimerInterval milliseconds) override {
        if (handler == nullptr) {
            return kInvalidArgument;
        }
        handler->addRef();
        const auto interval = std::chrono::milliseconds(milliseconds);
        timers_.push_back({handler, interval, Clock::now() + interval, ++serial_});
        intervals.push_back(milliseconds);
        return kResultOk;
    }
    tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override {
        return drop(timers_, handler);
    }

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *obj = static_cast<IPlugFrame*>(this);
            return kResultOk;
        }
        if (offersRunLoop_ && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
            *obj = static_cast<Linux::IRunLoop*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    std::size_t eventHandlers() const { return fds_.size(); }
    std::size_t timers() const { return timers_.size(); }

    // Runs the loop for a while, or until done says so; returns the timer calls made.
    int run(std::chrono::milliseconds duration, const std::function<bool()>& done = {}) {
        int timerCalls = 0;
        const auto end = Clock::now() + duration;
        while (!(done && done()) && Clock::now() < end) {
            auto wake = end;
            for (const auto& t : timers_) {
                wake = std::min(wake, t.due);
            }
            std::vector<pollfd> polled;
            std::vector<std::uint64_t> serials;
            for (const auto& f : fds_) {
                polled.push_back({f.fd, POLLIN, 0});
                serials.push_back(f.serial);
            }
            // Rounded up, as a host's loop sleeps: rounded down it wakes before the deadline and
            // polls again and again with no wait until the deadline comes.
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
                std::max(wake - Clock::now(), Clock::duration::zero()));
            const int timeout = done ? std::min<int>(static_cast<int>(wait.count()), 5)
                                     : static_cast<int>(wait.count());
            ::poll(polled.data(), polled.size(), timeout);
            for (std::size_t i = 0; i < polled.size(); ++i) {
                if ((polled[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                    if (auto* f = find(fds_, serials[i])) {
                        const double start = threadSeconds();
                        f->handler->onFDIsSet(f->fd);
                        handlerSeconds += threadSeconds() - start;
                    }
                }
            }
            const auto now = Clock::now();
            std::vector<std::uint64_t> due;
            for (const auto& t : timers_) {
                if (t.due <= now && !timersHeld) {
                    due.push_back(t.serial);
                }
            }
            for (const std::uint64_t serial : due) {
                if (auto* t = find(timers_, serial)) {
                    // On the timer's own beat, so a late wake does not slow it down.
                    t->due = std::max(t->due + t->interval, now);
                    ++timerCalls;
                    const double start = threadSeconds();
                    t->handler->onTimer();
                    handlerSeconds += threadSeconds() - start;
                }
            }
        }
        return timerCalls;
    }

    std::vector<Linux::TimerInterval> intervals; // of every timer ever registered
    std::vector<ViewRect> resizes;               // every resizeView, in order
    int roundUp = 0;             // pixels a resize gives beyond what was asked, as JUCE hosts round
    bool tellsView = true;       // a resize calls the view's onSize
    bool timersHeld = false;     // only descriptors are served while set
    double handlerSeconds = 0.0; // CPU time of this thread inside the handlers' calls

    // CPU time of the calling thread.
    static double threadSeconds() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Fd {
        Linux::IEventHandler* handler;
        int fd;
        std::uint64_t serial;
    };
    struct Timer {
        Linux::ITimerHandler* handler;
        Clock::duration interval;
        Clock::time_point due;
        std::uint64_t serial;
    };

    template <typename List, typename Handler> tresult drop(List& list, Handler* handler) {
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (it->handler == handler) {
                list.erase(it);
                handler->release();
                return kResultOk;
            }
        }
        return kInvalidArgument;
    }
    template <typename List>
    static typename List::value_type* find(List& list, std::uint64_t serial) {
        for (auto& entry : list) {
            if (entry.serial == serial) {
                return &entry;
            }
        }
        return nullptr;
    }

    bool offersRunLoop_;
    std::uint64_t serial_ = 0;
    std::vector<Fd> fds_;
    std::vector<Timer> timers_;
};

} // namespace quillwave::test
