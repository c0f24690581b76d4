#pragma once

// The freedesktop file chooser portal (org.freedesktop.portal.FileChooser) on the session bus:
// the desktop's own file dialog, also for sandboxed hosts. The request is sent without waiting;
// the answer comes as a signal that the host's run loop sees arrive on the bus connection.

#include "editor/user_dialogs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct DBusConnection;

namespace quillwave::plugins {

// The local path of a "file://" URI, percent escapes decoded; nothing for another scheme.
std::optional<std::string> pathOfFileUri(const std::string& uri);

class PortalFileChooser {
public:
    enum class State {
        Waiting,  // the user is choosing
        Answered, // answer() holds the path, or nothing when the user cancelled
        Failed,   // the portal could not show the dialog: use another way
    };

    // A private connection to the session bus, when there is a bus and a portal owns its name;
    // else null. The checks wait for the bus at most a second.
    static std::unique_ptr<PortalFileChooser> connect();

    ~PortalFileChooser(); // withdraws a request still open and closes the connection
    PortalFileChooser(const PortalFileChooser&) = delete;
    PortalFileChooser& operator=(const PortalFileChooser&) = delete;

    int fileDescriptor() const;

    // Sends OpenFile or SaveFile with the one "WAV audio" filter; false when it cannot be sent.
    // owner is the X window the dialog belongs to, 0 for none.
    bool ask(WavDialog dialog, std::uintptr_t owner);

    // Reads what arrived on the connection.
    State poll();
    const std::optional<std::string>& answer() const { return answer_; }

private:
    explicit PortalFileChooser(DBusConnection* connection) : connection_(connection) {}

    DBusConnection* connection_;
    std::uint32_t requestSerial_ = 0;
    std::string expected_; // the request object named by the call's handle_token
    std::string handle_;   // the request object the portal's reply named
    State state_ = State::Waiting;
    std::optional<std::string> answer_;
};

} // namespace quillwave::plugins
