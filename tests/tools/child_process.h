#pragma once

// Runs a program to its end with its output captured, for tests that drive the built tools.

#include <filesystem>
#include <string>
#include <vector>

namespace quillwave::test {

struct ChildResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs program with args (UTF-8); stdout and stderr go through files in scratch. A Unix path for
// program names the Z: drive under wine.
ChildResult runChild(const std::string& program, const std::vector<std::string>& args,
                     const std::filesystem::path& scratch);

} // namespace quillwave::test
