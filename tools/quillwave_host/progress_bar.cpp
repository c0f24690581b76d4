#include "progress_bar.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace quillwave::host {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kWidth = 30;

} // namespace

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

ProgressBar::ProgressBar(bool enabled, std::uint64_t total, double rate)
    : enabled_(enabled), total_(std::max<std::uint64_t>(total, 1)), rate_(rate) {}

void ProgressBar::update(std::uint64_t done) {
    if (!enabled_) {
        return;
    }
    const auto now = Clock::now();
    if (now - started_ < kQuietStart || now - lastDrawn_ < kRedrawEvery) {
        return;
    }
    lastDrawn_ = now;
    const double fraction = std::min(1.0, static_cast<double>(done) / static_cast<double>(total_));
    const int filled = static_cast<int>(fraction * kWidth);
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) {
        bar[i] = i < filled ? '#' : '-';
    }
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f / %.1f s", bar, static_cast<int>(fraction * 100.0),
                 static_cast<double>(done) / rate_, static_cast<double>(total_) / rate_);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (drawn_) {
        std::fprintf(stderr, "\r%*s\r", kWidth + 32, "");
        std::fflush(stderr);
        drawn_ = false;
    }
}

} // namespace quillwave::host
