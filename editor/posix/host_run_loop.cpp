#include "editor/posix/host_run_loop.h"

#include <algorithm>

namespace quillwave::plugins {

using namespace Steinberg;

void PLUGIN_API RunLoopHandler::onTimer() {
    if (timer_) {
        // A copy: the call may withdraw this very handler.
        const auto call = timer_;
        call();
    }
}

void PLUGIN_API RunLoopHandler::onFDIsSet(Linux::FileDescriptor fd) {
    if (readable_) {
        const auto call = readable_;
        call(fd);
    }
}

tresult PLUGIN_API RunLoopHandler::queryInterface(const TUID iid, void** obj) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid)) {
        *obj = static_cast<Linux::ITimerHandler*>(this);
    } else if (FUnknownPrivate::iidEqual(iid, Linux::IEventHandler::iid)) {
        *obj = static_cast<Linux::IEventHandler*>(this);
    } else {
        *obj = nullptr;
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

uint32 PLUGIN_API RunLoopHandler::release() {
    const uint32 left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

void RunLoopHandler::detach() {
    timer_ = nullptr;
    readable_ = nullptr;
}

bool HostRunLoop::connect(FUnknown* frame) {
    disconnect();
    if (frame == nullptr) {
        return false;
    }
    void* loop = nullptr;
    if (frame->queryInterface(Linux::IRunLoop::iid, &loop) != kResultOk || loop == nullptr) {
        return false;
    }
    loop_ = static_cast<Linux::IRunLoop*>(loop);
    return true;
}

void HostRunLoop::disconnect() {
    while (!registrations_.empty()) {
        const Registration last = registrations_.back();
        registrations_.pop_back();
        withdraw(last);
    }
    if (loop_ != nullptr) {
        loop_->release();
        loop_ = nullptr;
    }
}

RunLoopHandler* HostRunLoop::every(std::uint32_t milliseconds, std::function<void()> onTimer) {
    if (loop_ == nullptr) {
        return nullptr;
    }
    auto* handler = new RunLoopHandler(std::move(onTimer), nullptr);
    if (loop_->registerTimer(handler, milliseconds) != kResultOk) {
        handler->release();
        return nullptr;
    }
    registrations_.push_back({handler, true});
    return handler;
}

RunLoopHandler* HostRunLoop::watch(int fd, std::function<void(int)> onReadable) {
    if (loop_ == nullptr || fd < 0) {
        return nullptr;
    }
    auto* handler = new RunLoopHandler(nullptr, std::move(onReadable));
    if (loop_->registerEventHandler(handler, fd) != kResultOk) {
        handler->release();
        return nullptr;
    }
    registrations_.push_back({handler, false});
    return handler;
}

void HostRunLoop::stop(RunLoopHandler* handler) {
    const auto found = std::find_if(registrations_.begin(), registrations_.end(),
                                    [&](const Registration& r) { return r.handler == handler; });
    if (found == registrations_.end()) {
        return;
    }
    const Registration registration = *found;
    registrations_.erase(found);
    withdraw(registration);
}

void HostRunLoop::withdraw(const Registration& registration) {
    registration.handler->detach();
    if (registration.timer) {
        loop_->unregisterTimer(registration.handler);
    } else {
        loop_->unregisterEventHandler(registration.handler);
    }
    registration.handler->release(); // our own reference; the host let go of its own
}

} // namespace quillwave::plugins
