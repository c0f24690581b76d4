#pragma once

#include <cstdint>
#include <string_view>

namespace quillwave::plugins {

// Fixed at construction; saved as a plain integer with the module's state.
enum class ModuleKind : std::int32_t {
    Input = 1,
    Output = 2,
    Summing = 3,
    Breakout = 4,
    Player = 5,
    Recorder = 6,
    FaderBank = 7,
    Distributor = 8,
};

// Display name of a kind; values outside 1..8 show as the fader bank.
std::string_view displayName(ModuleKind kind);

} // namespace quillwave::plugins
