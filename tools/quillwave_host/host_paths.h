#pragma once

// Paths as the user types them and as the module stores them. Arguments are UTF-8 (on Windows
// they are taken from the wide command line); under wine a Unix path such as /tmp/take.wav
// names the Z: drive, so the Windows build maps it there.

#include <filesystem>
#include <string>
#include <vector>

namespace quillwave::host {

// The program's arguments after its name, as UTF-8.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// A path argument as the file system sees it, made absolute.
std::filesystem::path argumentPath(const std::string& utf8);

// The UTF-8 text of a path, as the module's state document holds it.
std::string pathText(const std::filesystem::path& path);

// A path from the UTF-8 text of a state document.
std::filesystem::path pathFromText(const std::string& utf8);

} // namespace quillwave::host
