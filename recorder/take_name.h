#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillwave::plugins {

// How a path is taken apart. Windows: '\' and '/' separate, a leading "X:" is a drive, the file
// name ends at its first colon (an alternate stream), new names are joined with '\'. POSIX: only
// '/' separates; backslashes and colons are ordinary name characters; joined with '/'.
enum class PathStyle { Windows, Posix };

#if defined(_WIN32)
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

inline constexpr std::uint32_t kMaxTakeNumber = 99999;

// The name of take n next to path: same folder, path's stem (the file name without its
// extension), "-take", n in decimal, ".wav". D:\rec\mix.WAV gives D:\rec\mix-take1.wav.
std::u16string takeName(std::u16string_view path, std::uint32_t n,
                        PathStyle style = kNativePathStyle);

// The name of part n (2, 3, ...) of the take whose first file is firstFile: same folder,
// firstFile's stem, "-part", n in decimal, ".wav". D:\rec\mix.wav gives D:\rec\mix-part2.wav.
std::u16string partName(std::u16string_view firstFile, std::uint32_t n,
                        PathStyle style = kNativePathStyle);

// The path that take names of a finished take derive from: a take's own name "stem-takeN.wav"
// gives "stem.wav", so repeated activations count on (mix-take2.wav) instead of growing the
// name by one suffix each time until it no longer fits the file system. Any other path is
// returned as it is.
std::u16string takeNameBase(std::u16string_view path, PathStyle style = kNativePathStyle);

} // namespace quillwave::plugins
