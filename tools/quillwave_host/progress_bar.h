#pragma once

// A one-line progress bar on stderr for runs that take more than about a second; nothing at all
// when stderr is not a terminal.

#include <chrono>
#include <cstdint>

namespace quillwave::host {

class ProgressBar {
public:
    // total: the frames the run is expected to feed; rate turns frames into seconds.
    ProgressBar(bool enabled, std::uint64_t total, double rate);
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::uint64_t done);
    // Clears the line, if one was drawn.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool drawn_ = false;
    std::uint64_t total_;
    double rate_;
    Clock::time_point started_ = Clock::now();
    Clock::time_point lastDrawn_{};
};

// Whether stderr is a terminal.
bool stderrIsTerminal();

} // namespace quillwave::host
