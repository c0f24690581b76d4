#pragma once

// Geometry of the editor picture. Every control rectangle here is drawn by the painter and is also
// the rectangle that mouse handling tests a press against, so the two can never drift apart.

#include "editor/control_values.h"
#include "editor/drawing_surface.h"

namespace quillwave::plugins::layout {

inline constexpr int kWidth = 960;
inline constexpr int kHeight = 580;

// Common header.
inline constexpr Rect kWholeWindow{0, 0, kWidth, kHeight};
inline constexpr Rect kHeaderBand{0, 0, kWidth, 88};
inline constexpr Rect kTitle{26, 13, 820, 46};
inline constexpr Rect kSubtitle{28, 49, 890, 75};
inline constexpr int kHeaderSeparatorY = 87;

// Strip page (fader bank). Strip i of the shown page has its right edge at stripRight(i).
inline constexpr int kStripsPerPage = 8;
inline constexpr Rect kStripIntro{24, 99, 515, 130};
inline constexpr Rect kStripFewerButton{650, 101, 694, 135};
inline constexpr Rect kStripMoreButton{700, 101, 744, 135};
inline constexpr Rect kStripCountText{756, 101, 930, 135};
inline constexpr Rect kPagePreviousButton{28, 525, 85, 560};
inline constexpr Rect kPageNextButton{91, 525, 148, 560};
inline constexpr Rect kStripFooter{169, 525, 920, 560};
inline constexpr int kStripFaderTop = 258;    // cap centre at value 1
inline constexpr int kStripFaderTravel = 187; // pixels from value 1 to value 0
inline constexpr int kStripGrabDistance = 24; // a press this close to the cap keeps its value
inline constexpr int kStripPanelTop = 154;
inline constexpr int kStripPanelBottom = 512;
inline constexpr int kStripTickFirstY = 258;
inline constexpr int kStripTickSpacing = 31;
inline constexpr int kStripTickEndY = 475; // ticks stay above this

constexpr int stripRight(int i) {
    return 128 + 115 * i;
}
constexpr Rect stripPanel(int i) {
    return {stripRight(i) - 102, kStripPanelTop, stripRight(i), kStripPanelBottom};
}
constexpr Rect stripTitle(int i) {
    return {stripRight(i) - 98, 158, stripRight(i) - 4, 181};
}
constexpr Rect stripRouting(int i) {
    return {stripRight(i) - 98, 181, stripRight(i) - 4, 201};
}
constexpr Rect stripMuteButton(int i) {
    return {stripRight(i) - 90, 204, stripRight(i) - 14, 235};
}
constexpr Rect stripTrack(int i) {
    return {stripRight(i) - 55, 258, stripRight(i) - 47, 445};
}
constexpr Rect stripValueText(int i) {
    return {stripRight(i) - 98, 461, stripRight(i) - 4, 491};
}
// Where a press starts a drag of strip i's fader; wider and taller than the track.
constexpr Rect stripFaderHit(int i) {
    return {stripRight(i) - 85, 240, stripRight(i) - 15, 463};
}
constexpr int stripTickLeft(int i) {
    return stripRight(i) - 85;
}
constexpr int stripTickRight(int i) {
    return stripRight(i) - 63;
}

// Cap centre of a strip fader at normalized value v; positions truncate towards zero.
constexpr int stripCapCentreY(double v) {
    return kStripFaderTop + static_cast<int>((1.0 - unitValue(v)) * kStripFaderTravel);
}
constexpr Rect stripCap(int i, double v) {
    return {stripRight(i) - 70, stripCapCentreY(v) - 22, stripRight(i) - 31,
            stripCapCentreY(v) + 22};
}

// Gain page.
inline constexpr Rect kGainDescription{28, 112, 920, 190};
inline constexpr Rect kGainFewerButton{29, 222, 98, 266};
inline constexpr Rect kGainMoreButton{112, 222, 181, 266};
inline constexpr Rect kGainCountText{207, 222, 890, 266};
inline constexpr Rect kGainLabel{30, 320, 920, 355};
inline constexpr Rect kGainTrack{37, 397, 900, 406};
inline constexpr Rect kGainValueText{31, 448, 919, 491};
inline constexpr Rect kGainFooter{30, 517, 920, 563};
inline constexpr Rect kGainFaderHit{17, 365, 924, 440};
inline constexpr int kGainFaderLeft = 37;    // cap centre at value 0
inline constexpr int kGainFaderTravel = 863; // pixels from value 0 to value 1
inline constexpr int kGainGrabDistance = 22; // a press this close to the cap keeps its value

constexpr int gainCapCentreX(double v) {
    return kGainFaderLeft + static_cast<int>(unitValue(v) * kGainFaderTravel);
}
constexpr Rect gainCap(double v) {
    return {gainCapCentreX(v) - 20, 375, gainCapCentreX(v) + 20, 430};
}

// Transport page (player and recorder).
inline constexpr Rect kFileButton{28, 112, 206, 155};
inline constexpr Rect kRunButton{222, 112, 349, 155};
inline constexpr Rect kStopButton{362, 112, 480, 155};
inline constexpr Rect kFollowButton{498, 112, 770, 155};
inline constexpr Rect kStatusLine{28, 169, 929, 211};
inline constexpr Rect kTransportFooter{28, 523, 930, 563};

// Player waveform: one vertical line per column, mirrored around kWaveformCentreY.
inline constexpr Rect kWaveformArea{28, 230, 930, 450};
inline constexpr Rect kWaveformEmptyText{40, 300, 920, 375};
inline constexpr Rect kWaveformInfo{36, 461, 911, 492};
inline constexpr int kWaveformFirstColumn = 30;
inline constexpr int kWaveformColumns = 898;
inline constexpr int kWaveformCentreY = 340;
inline constexpr int kWaveformHalfHeight = 95;

// Recorder panel.
inline constexpr Rect kRecorderStatePanel{28, 222, 932, 279};
inline constexpr Rect kStateCircle{45, 241, 61, 257};
inline constexpr Rect kStateText{76, 229, 441, 271};
inline constexpr Rect kElapsedText{499, 229, 918, 271};
inline constexpr Rect kMeterHeading{30, 289, 366, 315};
inline constexpr int kMeterRowFirstY = 338;
inline constexpr int kMeterRowSecondY = 375;
inline constexpr Rect kMeterSummary{30, 408, 920, 432};
inline constexpr Rect kCounters{30, 439, 620, 463};
// The recording time left on the destination's volume, right of the counters.
inline constexpr Rect kDiskTimeLeft{630, 439, 920, 463};
inline constexpr Rect kTailLessButton{30, 474, 168, 511};
inline constexpr Rect kTailMoreButton{181, 474, 319, 511};
inline constexpr Rect kMaximumTailText{341, 474, 922, 511};
// Over the right end of the maximum-tail text's box, which its longest text ("Maximum tail:
// 3600 s") stays far left of.
inline constexpr Rect kNewTakeButton{700, 474, 922, 511};
// Under it.
inline constexpr Rect kTimeStampButton{700, 524, 922, 561};
// Pre-record controls under the tail controls, left of the time-stamp switch; the recorder's
// footer goes under them.
inline constexpr Rect kPreRecordLessButton{30, 524, 168, 561};
inline constexpr Rect kPreRecordMoreButton{181, 524, 319, 561};
inline constexpr Rect kPreRecordText{341, 524, 690, 561};
inline constexpr Rect kRecorderFooter{30, 563, 690, 580};

// Meter scale: -60 dBFS at kMeterLeft, 0 dBFS at kMeterLeft + kMeterSpan.
inline constexpr int kMeterLeft = 130;
inline constexpr int kMeterSpan = 655;
inline constexpr int kMeterRight = kMeterLeft + kMeterSpan;

constexpr Rect scaleMarkText(int x) {
    return {x - 18, 310, x + 22, 333};
}

} // namespace quillwave::plugins::layout
