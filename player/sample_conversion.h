#pragma once

#include <cstddef>
#include <span>

namespace quillwave::plugins {

// Little-endian sample words to float. Each takes exactly dst.size() samples from the front of
// src, which must hold at least that many.

// Signed 16-bit times 2^-15: full scale maps to [-1, 1).
void convertPcm16(std::span<const std::byte> src, std::span<float> dst);

// Signed 24-bit (sign in bit 23) times 2^-23.
void convertPcm24(std::span<const std::byte> src, std::span<float> dst);

// Signed 32-bit rounded to the nearest float, then times 2^-31, so the largest values give 1.0.
void convertPcm32(std::span<const std::byte> src, std::span<float> dst);

// IEEE float as stored, except that infinities and NaNs become 0.
void convertFloat32(std::span<const std::byte> src, std::span<float> dst);

} // namespace quillwave::plugins
