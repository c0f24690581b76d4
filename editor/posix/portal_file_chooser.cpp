#include "editor/posix/portal_file_chooser.h"

#include <dbus/dbus.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quillwave::plugins {
namespace {

constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kChooserInterface[] = "org.freedesktop.portal.FileChooser";
constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";
constexpr int kBusTimeoutMs = 1000;

struct MessageRelease {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageRelease>;

// The session bus's address, read at every use; only a bus that is already there, as libdbus
// would otherwise try to start one for the X session.
std::optional<std::string> sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        return *address != '\0' ? std::optional<std::string>(address) : std::nullopt;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ignored;
    if (runtime != nullptr && std::filesystem::exists(std::string(runtime) + "/bus", ignored)) {
        return "unix:path=" + std::string(runtime) + "/bus";
    }
    return std::nullopt;
}

// A call to the bus itself, answered within the timeout; null on any failure.
Message callBus(DBusConnection* connection, const char* member, const char* argument) {
    Message call(dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                              "org.freedesktop.DBus", member));
    if (!call ||
        !dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID)) {
        return nullptr;
    }
    DBusError error;
    dbus_error_init(&error);
    Message reply(
        dbus_connection_send_with_reply_and_block(connection, call.get(), kBusTimeoutMs, &error));
    dbus_error_free(&error);
    return reply;
}

// One (sa(us)) filter: "WAV audio" with the glob pattern *.wav.
bool appendWavFilter(DBusMessageIter* into) {
    const char* name = "WAV audio";
    const char* pattern = "*.wav";
    const dbus_uint32_t glob = 0;
    DBusMessageIter filter;
    DBusMessageIter patterns;
    DBusMessageIter entry;
    return dbus_message_iter_open_container(into, DBUS_TYPE_STRUCT, nullptr, &filter) &&
           dbus_message_iter_append_basic(&filter, DBUS_TYPE_STRING, &name) &&
           dbus_message_iter_open_container(&filter, DBUS_TYPE_ARRAY, "(us)", &patterns) &&
           dbus_message_iter_open_container(&patterns, DBUS_TYPE_STRUCT, nullptr, &entry) &&
           dbus_message_iter_append_basic(&entry, DBUS_TYPE_UINT32, &glob) &&
           dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &pattern) &&
           dbus_message_iter_close_container(&patterns, &entry) &&
           dbus_message_iter_close_container(&filter, &patterns) &&
           dbus_message_iter_close_container(into, &filter);
}

// One a{sv} entry whose value appendValue writes with the given signature.
template <typename Append>
bool appendOption(DBusMessageIter* options, const char* key, const char* signature,
                  Append appendValue) {
    DBusMessageIter entry;
    DBusMessageIter variant;
    return dbus_message_iter_open_container(options, DBUS_TYPE_DICT_ENTRY, nullptr, &entry) &&
           dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key) &&
           dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant) &&
           appendValue(&variant) && dbus_message_iter_close_container(&entry, &variant) &&
           dbus_message_iter_close_container(options, &entry);
}

bool appendOptions(DBusMessageIter* args, const std::string& token) {
    DBusMessageIter options;
    const dbus_bool_t modal = TRUE;
    const char* tokenText = token.c_str();
    return dbus_message_iter_open_container(args, DBUS_TYPE_ARRAY, "{sv}", &options) &&
           appendOption(&options, "handle_token", "s",
                        [&](DBusMessageIter* v) {
                            return dbus_message_iter_append_basic(v, DBUS_TYPE_STRING, &tokenText);
                        }) &&
           appendOption(&options, "modal", "b",
                        [&](DBusMessageIter* v) {
                            return dbus_message_iter_append_basic(v, DBUS_TYPE_BOOLEAN, &modal);
                        }) &&
           appendOption(
               &options, "filters", "a(sa(us))",
               [](DBusMessageIter* v) {
                   DBusMessageIter list;
                   return dbus_message_iter_open_container(v, DBUS_TYPE_ARRAY, "(sa(us))", &list) &&
                          appendWavFilter(&list) && dbus_message_iter_close_container(v, &list);
               }) &&
           appendOption(&options, "current_filter", "(sa(us))", appendWavFilter) &&
           dbus_message_iter_close_container(args, &options);
}

// The first of the "uris" in a Response's a{sv} results.
std::optional<std::string> firstUri(DBusMessageIter* results) {
    if (dbus_message_iter_get_arg_type(results) != DBUS_TYPE_ARRAY) {
        return std::nullopt;
    }
    DBusMessageIter entries;
    dbus_message_iter_recurse(results, &entries);
    for (; dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&entries)) {
        DBusMessageIter entry;
        dbus_message_iter_recurse(&entries, &entry);
        const char* key = nullptr;
        dbus_message_iter_get_basic(&entry, &key);
        if (key == nullptr || std::string(key) != "uris" || !dbus_message_iter_next(&entry)) {
            continue;
        }
        DBusMessageIter variant;
        DBusMessageIter uris;
        dbus_message_iter_recurse(&entry, &variant);
        if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_ARRAY) {
            return std::nullopt;
        }
        dbus_message_iter_recurse(&variant, &uris);
        if (dbus_message_iter_get_arg_type(&uris) != DBUS_TYPE_STRING) {
            return std::nullopt;
        }
        const char* uri = nullptr;
        dbus_message_iter_get_basic(&uris, &uri);
        return uri != nullptr ? std::optional<std::string>(uri) : std::nullopt;
    }
    return std::nullopt;
}

// The request object the portal makes for token: its path is known before the call, so the
// Response can be listened for before the call is made (it may come before the reply).
std::string requestPath(DBusConnection* connection, const std::string& token) {
    const char* unique = dbus_bus_get_unique_name(connection);
    std::string sender = unique != nullptr ? unique : "";
    if (!sender.empty() && sender.front() == ':') {
        sender.erase(0, 1);
    }
    for (char& c : sender) {
        c = c == '.' ? '_' : c;
    }
    return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

} // namespace

std::optional<std::string> pathOfFileUri(const std::string& uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.compare(0, kScheme.size(), kScheme) != 0) {
        return std::nullopt;
    }
    const std::size_t pathStart = uri.find('/', kScheme.size()); // after an optional host name
    if (pathStart == std::string::npos) {
        return std::nullopt;
    }
    std::string path;
    for (std::size_t i = pathStart; i < uri.size(); ++i) {
        unsigned value = 0;
        if (uri[i] == '%' && i + 2 < uri.size() &&
            std::sscanf(uri.substr(i + 1, 2).c_str(), "%2x", &value) == 1) {
            path.push_back(static_cast<char>(value));
            i += 2;
        } else {
            path.push_back(uri[i]);
        }
    }
    return path;
}

std::unique_ptr<PortalFileChooser> PortalFileChooser::connect() {
    const auto address = sessionBusAddress();
    if (!address) {
        return nullptr;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection = dbus_connection_open_private(address->c_str(), &error);
    if (connection == nullptr) {
        dbus_error_free(&error);
        return nullptr;
    }
    dbus_connection_set_exit_on_disconnect(connection, FALSE);
    std::unique_ptr<PortalFileChooser> chooser(new PortalFileChooser(connection));
    const bool registered = dbus_bus_register(connection, &error);
    dbus_error_free(&error);
    if (!registered) {
        return nullptr;
    }
    dbus_bool_t owned = FALSE;
    const Message owner = callBus(connection, "NameHasOwner", kPortalName);
    if (!owner ||
        !dbus_message_get_args(owner.get(), nullptr, DBUS_TYPE_BOOLEAN, &owned,
                               DBUS_TYPE_INVALID) ||
        !owned) {
        return nullptr;
    }
    // Every Response on this private connection, before any request is made: one that comes
    // before the method's reply (on the path handle_token predicts) is kept, and so is the answer
    // of a portal too old for handle_token that names another request object in its reply.
    const Message matched =
        callBus(connection, "AddMatch",
                "type='signal',interface='org.freedesktop.portal.Request',member='Response'");
    if (!matched || dbus_message_get_type(matched.get()) != DBUS_MESSAGE_TYPE_METHOD_RETURN) {
        return nullptr;
    }
    return chooser;
}

PortalFileChooser::~PortalFileChooser() {
    const std::string& request = handle_.empty() ? expected_ : handle_;
    if (state_ == State::Waiting && !request.empty()) {
        // The dialog goes away with the editor.
        Message close(
            dbus_message_new_method_call(kPortalName, request.c_str(), kRequestInterface, "Close"));
        if (close) {
            dbus_message_set_no_reply(close.get(), TRUE);
            dbus_connection_send(connection_, close.get(), nullptr);
            dbus_connection_flush(connection_);
        }
    }
    dbus_connection_close(connection_);
    dbus_connection_unref(connection_);
}

int PortalFileChooser::fileDescriptor() const {
    int fd = -1;
    return dbus_connection_get_unix_fd(connection_, &fd) ? fd : -1;
}

bool PortalFileChooser::ask(WavDialog dialog, std::uintptr_t owner) {
    Message call(dbus_message_new_method_call(kPortalName, kPortalPath, kChooserInterface,
                                              dialog == WavDialog::Open ? "OpenFile" : "SaveFile"));
    if (!call) {
        return false;
    }
    char parentText[32] = "";
    if (owner != 0) {
        std::snprintf(parentText, sizeof parentText, "x11:%lx", static_cast<unsigned long>(owner));
    }
    const char* parent = parentText;
    const char* title = ""; // the desktop's own title
    static std::atomic<unsigned> requests{0};
    const std::string token = "quillwave" + std::to_string(++requests);
    DBusMessageIter args;
    dbus_message_iter_init_append(call.get(), &args);
    if (!dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &parent) ||
        !dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &title) ||
        !appendOptions(&args, token)) {
        return false;
    }
    expected_ = requestPath(connection_, token);
    handle_.clear();
    dbus_uint32_t serial = 0;
    if (!dbus_connection_send(connection_, call.get(), &serial)) {
        return false;
    }
    dbus_connection_flush(connection_);
    requestSerial_ = serial;
    state_ = State::Waiting;
    return true;
}

PortalFileChooser::State PortalFileChooser::poll() {
    if (state_ != State::Waiting) {
        return state_;
    }
    dbus_connection_read_write(connection_, 0);
    while (state_ == State::Waiting) {
        const Message message(dbus_connection_pop_message(connection_));
        if (!message) {
            break;
        }
        const int type = dbus_message_get_type(message.get());
        if (type == DBUS_MESSAGE_TYPE_ERROR &&
            dbus_message_get_reply_serial(message.get()) == requestSerial_) {
            state_ = State::Failed; // no file chooser behind the portal
        } else if (type == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
                   dbus_message_get_reply_serial(message.get()) == requestSerial_) {
            const char* handle = nullptr;
            if (dbus_message_get_args(message.get(), nullptr, DBUS_TYPE_OBJECT_PATH, &handle,
                                      DBUS_TYPE_INVALID) &&
                handle != nullptr) {
                handle_ = handle;
            }
        } else if (dbus_message_is_signal(message.get(), kRequestInterface, "Response") &&
                   dbus_message_get_path(message.get()) != nullptr &&
                   (expected_ == dbus_message_get_path(message.get()) ||
                    (!handle_.empty() && handle_ == dbus_message_get_path(message.get())))) {
            DBusMessageIter args;
            dbus_uint32_t response = 2;
            if (dbus_message_iter_init(message.get(), &args) &&
                dbus_message_iter_get_arg_type(&args) == DBUS_TYPE_UINT32) {
                dbus_message_iter_get_basic(&args, &response);
                dbus_message_iter_next(&args);
            }
            if (response == 0) {
                if (const auto uri = firstUri(&args)) {
                    answer_ = pathOfFileUri(*uri);
                }
            }
            state_ = State::Answered; // chosen, cancelled (1) or ended otherwise (2)
        }
    }
    if (state_ == State::Waiting && !dbus_connection_get_is_connected(connection_)) {
        state_ = State::Failed;
    }
    return state_;
}

} // namespace quillwave::plugins
