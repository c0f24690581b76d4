#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillwave::platform {

// Bytes the current user may still write on the volume that holds path (a file that need not
// exist yet: its folder is asked). Nothing when the volume cannot be asked: no folder in the path,
// a folder that does not exist, a name no file can carry, or any failure of the query. May block
// as long as the volume does (a network share that stopped answering): never on the audio thread.
std::optional<std::uint64_t> freeBytesForPath(const std::u16string& path);

// The folder part of path: everything before its last separator ('/' or '\\', with the separator
// kept when it is the first character or follows a drive designator), or nothing without one.
std::optional<std::u16string> folderOfPath(const std::u16string& path);

} // namespace quillwave::platform
