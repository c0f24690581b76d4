#pragma once

// Runs the built quillwave_host against the built module and reads what it prints.

#include "child_process.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace quillwave::test {

// A path as the host takes it on its command line.
inline std::string argPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// The "key: value" lines the host prints on success.
inline std::map<std::string, std::string> reportLines(const std::string& out) {
    std::map<std::string, std::string> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto colon = line.find(": ");
        if (colon != std::string::npos) {
            lines[line.substr(0, colon)] = line.substr(colon + 2);
        }
    }
    return lines;
}

class HostRun : public ::testing::Test {
protected:
    // Runs the host with the module prepended; a later --module overrides it.
    ChildResult host(std::vector<std::string> args) {
        args.insert(args.begin(), {"--module", QUILLWAVE_MODULE_BUNDLE, "--quiet"});
        return runChild(QUILLWAVE_HOST_EXE, args, folder.path());
    }

    // The WAV files in the folder, by name.
    std::vector<std::string> wavFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            if (entry.path().extension() == ".wav") {
                names.push_back(argPath(entry.path().filename()));
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder folder;
};

} // namespace quillwave::test
