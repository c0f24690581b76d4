#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>

namespace quillwave::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes `bytes` to a new file of that name in the folder and returns its full path.
    std::filesystem::path write(const std::filesystem::path& name,
                                std::span<const std::byte> bytes) const;

private:
    std::filesystem::path path_;
};

// The UTF-16 form in which the module passes paths around.
inline std::u16string widePath(const std::filesystem::path& path) {
    return path.u16string();
}

} // namespace quillwave::test
