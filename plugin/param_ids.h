#pragma once

#include <cstdint>

namespace quillwave::plugins {

using ParamIndex = std::uint32_t;

// Parameter ids shared by host, editor and audio thread.
namespace ParamId {
inline constexpr ParamIndex ActiveStrips = 0;
inline constexpr ParamIndex Gain = 1;
inline constexpr ParamIndex FollowTransport = 2;
inline constexpr ParamIndex PlayRecord = 3;
inline constexpr ParamIndex StripGainBase = 100; // strip n (1..64) has gain id 99 + n
inline constexpr ParamIndex StripMuteBase = 200; // strip n (1..64) has mute id 199 + n
inline constexpr ParamIndex TailSilenceTime = 400;
inline constexpr ParamIndex MaximumTail = 401;
inline constexpr ParamIndex NewTakeEveryRun = 402;  // on: each finalized take arms the next
inline constexpr ParamIndex PreRecordTime = 403;    // seconds kept before a start, / 10
inline constexpr ParamIndex TimeStampedTakes = 404; // on: takes carry their project time (bext)
} // namespace ParamId

inline constexpr ParamIndex kParameterSlots = 512;
// Seconds of "Pre-record time" at normalized 1.
inline constexpr double kPreRecordRange = 10.0;
inline constexpr int kMaxStrips = 64;

// Gain id and mute id of strip s, counted from 0.
constexpr ParamIndex stripGainId(int s) {
    return ParamId::StripGainBase + static_cast<ParamIndex>(s);
}
constexpr ParamIndex stripMuteId(int s) {
    return ParamId::StripMuteBase + static_cast<ParamIndex>(s);
}

} // namespace quillwave::plugins
