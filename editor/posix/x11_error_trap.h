#pragma once

// Xlib reports a failed request through one process-wide handler, whose default ends the
// process. While any call of the editor's runs, its own handler is installed: errors of the
// editor's connections are noted and swallowed; those of any other connection (the host's, on
// another thread) go on to the handler that was there before. An error can only be read from an
// editor connection inside one of the editor's calls, so it always meets this handler.

#include <X11/Xlib.h>

namespace quillwave::plugins {

struct OurDisplay;

// Marks display as one of the editor's own connections; false when no more can be kept.
bool registerDisplay(Display* display);
void unregisterDisplay(Display* display);

// The editor's handler for as long as it lives; cheap, it makes no request. Only the host's
// user-interface thread makes the editor's calls, so scopes nest on one thread.
class ErrorScope {
public:
    ErrorScope();
    ~ErrorScope();
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;
};

// A scope that also tells whether the requests made in it failed. Both ends wait for the server
// (XSync), so they read into Xlib's queue whatever events the server sent meanwhile.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server to answer every request made under the trap; true when one failed.
    bool failed();

private:
    ErrorScope scope_;
    Display* display_;
    OurDisplay* ours_;
};

} // namespace quillwave::plugins
