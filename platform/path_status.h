#pragma once

#include <string>

namespace quillwave::platform {

enum class PathStatus {
    NotFound, // nothing under that name, or a folder of the path is missing
    Exists,   // a file, a folder or a link of any kind (also a dangling link)
};

// Asks the file system whether anything exists under path, without following a final link.
// Failures that only mean "no such name" (missing file or folder, bad or vanished network name,
// invalid name) count as NotFound; any other failure throws std::filesystem::filesystem_error for
// the operation "exists", naming the path.
PathStatus queryPathStatus(const std::u16string& path);

} // namespace quillwave::platform
