#include "tests/player/temp_folder.h"
#include "tests/support/remove_folder.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace quillwave::test {

TempFolder::TempFolder() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate =
            std::filesystem::temp_directory_path() / ("quillwave-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}

TempFolder::~TempFolder() {
    removeFolder(path_);
}

std::filesystem::path TempFolder::write(const std::filesystem::path& name,
                                        std::span<const std::byte> bytes) const {
    const auto file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write test file");
    }
    return file;
}

} // namespace quillwave::test
