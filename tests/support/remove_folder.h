#pragma once

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

namespace quillwave::test {

// Removes folder with everything in it, also while a module thread still finishes a take in it:
// a file may vanish under the listing or be held open for a moment. std::filesystem::remove_all
// can loop for ever on Windows when an entry vanishes as it is erased, so the entries are listed
// first and removed one by one, and the whole is tried again a bounded number of times.
inline void removeFolder(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::error_code ec;
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            entries.push_back(it->path());
        }
        for (const fs::path& entry : entries) {
            std::error_code ignored;
            if (fs::symlink_status(entry, ignored).type() == fs::file_type::directory) {
                removeFolder(entry);
            } else {
                fs::remove(entry, ignored);
            }
        }
        fs::remove(folder, ec);
        if (fs::symlink_status(folder, ec).type() == fs::file_type::not_found) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace quillwave::test
