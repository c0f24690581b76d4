#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace quillwave::plugins {

// What repairTake found and did.
struct TakeRepair {
    enum class Outcome {
        Repaired,   // the two size fields now describe the whole frames on disk
        Intact,     // the header already did; nothing was written
        NotATake,   // not a file in the recorder's layout: refused, nothing written
        Unreadable, // the file could not be opened, read or written
    };
    Outcome outcome = Outcome::Unreadable;
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint64_t declaredDataBytes = 0; // before
    std::uint64_t dataBytes = 0;         // after: whole frames present, within the size limit
    std::string message;                 // one line for the user
};

// Makes a take whose header was never finalized (the process ended mid-take: the header still
// declares no data) readable again: rewrites the RIFF and data chunk sizes from the bytes actually
// on disk, whole frames only. Only those 8 bytes may change; the file is never grown or cut, and
// anything that is not a recorder take (the 44-byte IEEE-float header, or the same after the
// bext chunk of a time-stamped take; 1..64 channels) is refused.
TakeRepair repairTake(const std::filesystem::path& path);

} // namespace quillwave::plugins
