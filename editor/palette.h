#pragma once

#include "editor/drawing_surface.h"

namespace quillwave::plugins::palette {

// Shared by every page.
inline constexpr Rgb kWindowBackground{18, 30, 36};
inline constexpr Rgb kHeaderBand{33, 49, 57};
inline constexpr Rgb kHeaderSeparator{76, 97, 103};
inline constexpr Rgb kPrimaryText{237, 241, 235};
inline constexpr Rgb kSecondaryText{151, 174, 185};
inline constexpr Rgb kAccent{132, 203, 191};
inline constexpr Rgb kStripPanel{33, 47, 55};
inline constexpr Rgb kStripFaderTrack{5, 12, 17};
inline constexpr Rgb kStripScaleTicks{76, 95, 102};
inline constexpr Rgb kGainFaderTrack{6, 12, 17};

// Buttons.
inline constexpr Rgb kButtonActiveFace{169, 131, 81};
inline constexpr Rgb kButtonInactiveFace{48, 64, 72};
inline constexpr Rgb kButtonTopEdge{111, 133, 140};
inline constexpr Rgb kButtonLeftEdge{81, 100, 110};
inline constexpr Rgb kButtonShadow{10, 18, 24};
inline constexpr Rgb kButtonActiveText{10, 20, 23};

// Fader caps.
inline constexpr Rgb kCapTopLine{237, 242, 241};
inline constexpr Rgb kCapBottomLine{57, 76, 87};
inline constexpr Rgb kCapMiddleLine{40, 59, 67};

// Transport page.
inline constexpr Rgb kWaveformArea{10, 23, 30};
inline constexpr Rgb kRecorderStatePanel{11, 23, 29};
inline constexpr Rgb kStateDiskError{238, 104, 87}; // also a dropped-frame count above 0
inline constexpr Rgb kStateRecording{236, 91, 75};
inline constexpr Rgb kStateFinalizing{224, 182, 113};
inline constexpr Rgb kStateArmed = kAccent;
inline constexpr Rgb kStateIdle{94, 112, 122};
inline constexpr Rgb kClipSummary{236, 155, 121};

// Meter rows.
inline constexpr Rgb kMeterFrame{64, 84, 91};
inline constexpr Rgb kMeterWell{5, 16, 22};
inline constexpr Rgb kMeterHot{226, 94, 73};    // from -3 dBFS
inline constexpr Rgb kMeterWarm{221, 179, 106}; // from -12 dBFS
inline constexpr Rgb kMeterCool{109, 195, 147};
inline constexpr Rgb kMeterRms{113, 173, 192};
inline constexpr Rgb kPeakMarker{236, 245, 219};
inline constexpr Rgb kClipBoxLit{156, 51, 42};
inline constexpr Rgb kClipBoxDark{27, 43, 50};
inline constexpr Rgb kClipTextLit{255, 237, 220};
inline constexpr Rgb kClipTextDark{111, 135, 144};

} // namespace quillwave::plugins::palette
