#pragma once

#include <string>
#include <vector>

namespace quillwave::host {

// "quillwave_host repair FILE.wav...": repairs each take whose header a crash left unfinished and
// prints one line per file. Returns 0 when every file is repaired or already intact, 1 when any
// is refused or unreadable, 2 without files.
int repairTakes(const std::vector<std::string>& files);

} // namespace quillwave::host
