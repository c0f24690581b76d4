#include "editor/posix/x11_error_trap.h"

#include <array>
#include <atomic>

namespace quillwave::plugins {

struct OurDisplay {
    std::atomic<Display*> display{nullptr};
    std::atomic<bool> failed{false};
};

namespace {

std::array<OurDisplay, 64> ourDisplays;
XErrorHandler previousHandler = nullptr;
int scopeDepth = 0; // only the host's user-interface thread makes our calls

OurDisplay* findOurs(Display* display) {
    for (OurDisplay& entry : ourDisplays) {
        if (entry.display.load() == display) {
            return &entry;
        }
    }
    return nullptr;
}

int noteError(Display* display, XErrorEvent* error) {
    if (OurDisplay* ours = findOurs(display)) {
        ours->failed = true;
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

} // namespace

bool registerDisplay(Display* display) {
    for (OurDisplay& entry : ourDisplays) {
        Display* empty = nullptr;
        if (entry.display.compare_exchange_strong(empty, display)) {
            return true;
        }
    }
    return false;
}

void unregisterDisplay(Display* display) {
    if (OurDisplay* ours = findOurs(display)) {
        ours->display = nullptr;
    }
}

ErrorScope::ErrorScope() {
    if (scopeDepth++ == 0) {
        previousHandler = XSetErrorHandler(noteError);
    }
}

ErrorScope::~ErrorScope() {
    if (--scopeDepth == 0) {
        XSetErrorHandler(previousHandler);
    }
}

ErrorTrap::ErrorTrap(Display* display) : display_(display), ours_(findOurs(display)) {
    XSync(display_, False); // earlier requests are not ours to judge
    if (ours_ != nullptr) {
        ours_->failed = false;
    }
}

bool ErrorTrap::failed() {
    XSync(display_, False);
    return ours_ != nullptr && ours_->failed.exchange(false);
}

} // namespace quillwave::plugins
