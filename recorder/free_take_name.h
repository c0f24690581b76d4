#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillwave::plugins {

// The destination an activation arms for the last path used: path itself when nothing exists
// there, else the first take name (1 .. 99999) under which nothing exists. When every take name
// exists, the last one is returned, so that preparing it fails with "Destination exists". Take
// names derive from takeNameBase(path), so a take's name counts on rather than growing.
// Throws the file-system error of the existence query when a query fails for another reason
// than "not found".
std::u16string firstFreeDestination(const std::u16string& path);

// The continuation file of a take, once its current file is full.
struct FreePart {
    std::uint32_t number = 0;
    std::u16string path;
};

// The first part number from `from` on (at most kMaxTakeNumber) under whose name
// (partName(firstFile, n)) nothing exists, or nullopt when every such name exists. Throws like
// firstFreeDestination.
std::optional<FreePart> firstFreePart(const std::u16string& firstFile, std::uint32_t from);

} // namespace quillwave::plugins
