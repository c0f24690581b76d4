#pragma once

// The host's run loop as the editor uses it on Linux: the host calls a timer or a file
// descriptor watch from its user-interface thread, and the editor keeps no thread of its own.
// Every registration is undone by stopping it, by disconnect, or at the latest when this object
// goes, so no handler stays with the host after the view is gone.

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/gui/iplugview.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace quillwave::plugins {

// One handler object per registration, so that each can be withdrawn on its own. The host holds
// counted references to it; once detached, a late call from the host does nothing.
class RunLoopHandler final : public Steinberg::Linux::ITimerHandler,
                             public Steinberg::Linux::IEventHandler {
public:
    RunLoopHandler(std::function<void()> onTimer, std::function<void(int)> onReadable)
        : timer_(std::move(onTimer)), readable_(std::move(onReadable)) {}

    void PLUGIN_API onTimer() override;
    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return ++references_; }
    Steinberg::uint32 PLUGIN_API release() override;

    void detach();

private:
    ~RunLoopHandler() = default;

    std::atomic<Steinberg::uint32> references_{1};
    std::function<void()> timer_;
    std::function<void(int)> readable_;
};

class HostRunLoop {
public:
    HostRunLoop() = default;
    ~HostRunLoop() { disconnect(); }
    HostRunLoop(const HostRunLoop&) = delete;
    HostRunLoop& operator=(const HostRunLoop&) = delete;

    // Uses the run loop that frame offers; false (and nothing kept) when it offers none.
    bool connect(Steinberg::FUnknown* frame);
    // Withdraws every registration and lets the run loop go.
    void disconnect();
    bool connected() const { return loop_ != nullptr; }

    // A registration, or null when there is no run loop or the host refused it.
    RunLoopHandler* every(std::uint32_t milliseconds, std::function<void()> onTimer);
    RunLoopHandler* watch(int fd, std::function<void(int)> onReadable);
    // Withdraws one registration; a handler already withdrawn is ignored.
    void stop(RunLoopHandler* handler);

private:
    struct Registration {
        RunLoopHandler* handler;
        bool timer;
    };

    void withdraw(const Registration& registration);

    Steinberg::Linux::IRunLoop* loop_ = nullptr; // one counted reference while connected
    std::vector<Registration> registrations_;
};

} // namespace quillwave::plugins
