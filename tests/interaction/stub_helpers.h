#pragma once

// Stand-ins for the desktop's helper programs (zenity, kdialog): shell scripts on a PATH of their
// own that keep their arguments and print what a test tells them to.

#include "support/wav_file.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace quillwave::test {

// PATH holding only a folder of stub helpers, restored afterwards. The stubs name every other
// program by its full path.
class StubHelpers {
public:
    // Also points the session bus at nothing, so no desktop portal of the machine answers.
    StubHelpers() : saved_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        savedBus_ = bus != nullptr ? std::optional<std::string>(bus) : std::nullopt;
        std::filesystem::create_directory(folder_ / "bin");
        ::setenv("PATH", (folder_ / "bin").c_str(), 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (folder_ / "no-bus").string()).c_str(),
                 1);
    }
    ~StubHelpers() {
        ::setenv("PATH", saved_.c_str(), 1);
        if (savedBus_) {
            ::setenv("DBUS_SESSION_BUS_ADDRESS", savedBus_->c_str(), 1);
        } else {
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        }
    }
    StubHelpers(const StubHelpers&) = delete;
    StubHelpers& operator=(const StubHelpers&) = delete;

    // A helper that keeps its arguments (one a line) in <name>.args and then runs body.
    void add(const std::string& name, const std::string& body) {
        const auto path = folder_ / "bin" / name;
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '"
                            << (folder_ / (name + ".args")).string() << "'\n"
                            << body << "\n";
        ::chmod(path.c_str(), 0755);
    }
    // A zenity of version: it answers --version (counting the questions in zenity.versions) and
    // otherwise runs body.
    void addZenity(const std::string& version, const std::string& body) {
        add("zenity", "if [ \"$1\" = --version ]; then echo x >> '" +
                          path("zenity.versions").string() + "'; echo " + version +
                          "; exit 0; fi\n" + body);
    }
    std::vector<std::string> arguments(const std::string& name) const {
        std::ifstream in(folder_ / (name + ".args"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    std::filesystem::path path(const std::string& name) const { return folder_ / name; }

private:
    test::TempFolder folder_;
    std::string saved_;
    std::optional<std::string> savedBus_;
};

} // namespace quillwave::test
