#pragma once

// A private session bus (its own dbus-daemon) with a stand-in for the desktop's file chooser
// portal on it, answering on a thread of its own as the real one does from another process.
// While it lives, DBUS_SESSION_BUS_ADDRESS names its bus.

#include <dbus/dbus.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quillwave::test {

class FakePortal {
public:
    // uri is what the user picks; hasChooser false makes the portal refuse the file chooser.
    // early sends the Response, on the request path the caller's handle_token names, before the
    // method's reply, as the bus allows.
    FakePortal(std::string uri, bool hasChooser, bool early = false)
        : uri_(std::move(uri)), hasChooser_(hasChooser), early_(early) {
        const char* saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        savedAddress_ = saved != nullptr ? saved : "";
        hadAddress_ = saved != nullptr;
        FILE* daemon =
            ::popen("/usr/bin/dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char address[512] = "";
        if (daemon == nullptr || std::fscanf(daemon, "%511s %d", address, &daemonPid_) != 2) {
            throw std::runtime_error("cannot start dbus-daemon");
        }
        ::pclose(daemon);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
        DBusError error;
        dbus_error_init(&error);
        connection_ = dbus_connection_open_private(address, &error);
        if (connection_ == nullptr || !dbus_bus_register(connection_, &error) ||
            dbus_bus_request_name(connection_, "org.freedesktop.portal.Desktop",
                                  DBUS_NAME_FLAG_DO_NOT_QUEUE,
                                  &error) != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
            dbus_error_free(&error);
            throw std::runtime_error("cannot own the portal's name");
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~FakePortal() {
        stop_ = true;
        thread_.join();
        dbus_connection_close(connection_);
        dbus_connection_unref(connection_);
        ::kill(daemonPid_, SIGTERM);
        if (hadAddress_) {
            ::setenv("DBUS_SESSION_BUS_ADDRESS", savedAddress_.c_str(), 1);
        } else {
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        }
    }
    FakePortal(const FakePortal&) = delete;
    FakePortal& operator=(const FakePortal&) = delete;

    // The file chooser calls received: member, then the parent window argument.
    std::vector<std::string> requests() const {
        const std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void serve() {
        while (!stop_) {
            dbus_connection_read_write(connection_, 20);
            while (DBusMessage* message = dbus_connection_pop_message(connection_)) {
                handle(message);
                dbus_message_unref(message);
            }
        }
    }

    void handle(DBusMessage* call) {
        if (dbus_message_get_type(call) != DBUS_MESSAGE_TYPE_METHOD_CALL ||
            !dbus_message_has_interface(call, "org.freedesktop.portal.FileChooser")) {
            return;
        }
        const char* parent = "";
        dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &parent, DBUS_TYPE_INVALID);
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(dbus_message_get_member(call));
            requests_.push_back(parent);
        }
        if (!hasChooser_) {
            DBusMessage* error = dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_METHOD, "none");
            dbus_connection_send(connection_, error, nullptr);
            dbus_message_unref(error);
            dbus_connection_flush(connection_);
            return;
        }
        std::string path = "/org/freedesktop/portal/desktop/request/1_1/quillwave";
        if (early_) {
            std::string sender = dbus_message_get_sender(call) + 1; // without the ':'
            for (char& c : sender) {
                c = c == '.' ? '_' : c;
            }
            path = "/org/freedesktop/portal/desktop/request/" + sender + "/" + handleToken(call);
        }
        const char* handle = path.c_str();
        DBusMessage* reply = dbus_message_new_method_return(call);
        dbus_message_append_args(reply, DBUS_TYPE_OBJECT_PATH, &handle, DBUS_TYPE_INVALID);
        if (!early_) {
            dbus_connection_send(connection_, reply, nullptr);
        }

        DBusMessage* response =
            dbus_message_new_signal(handle, "org.freedesktop.portal.Request", "Response");
        const dbus_uint32_t code = uri_.empty() ? 1 : 0;
        const char* key = "uris";
        const char* uri = uri_.c_str();
        DBusMessageIter args, results, entry, variant, uris;
        dbus_message_iter_init_append(response, &args);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &code);
        dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &results);
        if (!uri_.empty()) {
            dbus_message_iter_open_container(&results, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
            dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "as", &variant);
            dbus_message_iter_open_container(&variant, DBUS_TYPE_ARRAY, "s", &uris);
            dbus_message_iter_append_basic(&uris, DBUS_TYPE_STRING, &uri);
            dbus_message_iter_close_container(&variant, &uris);
            dbus_message_iter_close_container(&entry, &variant);
            dbus_message_iter_close_container(&results, &entry);
        }
        dbus_message_iter_close_container(&args, &results);
        dbus_connection_send(connection_, response, nullptr);
        dbus_message_unref(response);
        if (early_) {
            dbus_connection_send(connection_, reply, nullptr);
        }
        dbus_message_unref(reply);
        dbus_connection_flush(connection_);
    }

    // The "handle_token" string of the call's options (its third argument), or "".
    static std::string handleToken(DBusMessage* call) {
        DBusMessageIter args, options, entry, variant;
        if (!dbus_message_iter_init(call, &args) || !dbus_message_iter_next(&args) ||
            !dbus_message_iter_next(&args) ||
            dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_ARRAY) {
            return "";
        }
        dbus_message_iter_recurse(&args, &options);
        for (; dbus_message_iter_get_arg_type(&options) == DBUS_TYPE_DICT_ENTRY;
             dbus_message_iter_next(&options)) {
            dbus_message_iter_recurse(&options, &entry);
            const char* key = nullptr;
            dbus_message_iter_get_basic(&entry, &key);
            dbus_message_iter_next(&entry);
            dbus_message_iter_recurse(&entry, &variant);
            if (std::string(key) == "handle_token" &&
                dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_STRING) {
                const char* token = nullptr;
                dbus_message_iter_get_basic(&variant, &token);
                return token;
            }
        }
        return "";
    }

    std::string uri_;
    bool hasChooser_;
    bool early_;
    std::string savedAddress_;
    bool hadAddress_ = false;
    int daemonPid_ = 0;
    DBusConnection* connection_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

} // namespace quillwave::test
