// The audio-thread operations never touch the heap. Global operator new and delete are replaced
// in this binary by versions that count the calls made on the calling thread.

#include "dsp/gain_law.h"
#include "dsp/gain_state.h"
#include "dsp/input_meters.h"
#include "plugin/parameter_table.h"
#include "recorder/disk_recorder.h"

#include "recorder_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
thread_local std::size_t heapCalls = 0;
}

void* operator new(std::size_t size) {
    ++heapCalls;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++heapCalls;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    if (p != nullptr) {
        ++heapCalls;
    }
    std::free(p);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace quillwave::plugins {
namespace {

TEST(AudioThread, NoHeapUseInCaptureStartTailMetersOrGains) {
    test::TempFolder dir;
    DiskRecorder recorder;
    recorder.prepare(dir.file("alloc.wav"), 3, 48000);
    InputMeters meters;
    ParameterTable table;
    GainState gains;
    test::Block block(3, 512);
    block.fillSignal(0);
    std::vector<double> wide(512, 0.5);
    const double* widePlanes[3] = {wide.data(), wide.data(), wide.data()};

    double lastGain = 0.0;
    const std::size_t before = heapCalls;
    std::uint64_t position = 0;
    recorder.start(100);
    for (int b = 0; b < 200; ++b) {
        if (b == 150) {
            recorder.beginTail(position, 0.01, 0.05, -80.0);
        }
        recorder.capture(block.pointers(), 3, 512, position);
        updateInputMeters<float>(meters, block.pointers(), 3, 0, true, 512, 48000.0);
        updateInputMeters<double>(meters, widePlanes, 3, 0b10, true, 512, 48000.0);
        const GainTargets targets = computeGainTargets(table);
        const GainCall call = advanceGainState(gains, targets, 48000.0, 512);
        double g = call.masterStart;
        for (int i = 0; i < 512; ++i) {
            g = smoothGain(g, targets.master, call.k);
        }
        lastGain = g;
        position += 512;
    }
    recorder.start(position); // refused: the tail has ended the take
    const std::size_t after = heapCalls;
    EXPECT_EQ(after, before);
    EXPECT_DOUBLE_EQ(lastGain, 1.0);
    EXPECT_GT(recorder.capturedFrames(), 0u);
    EXPECT_FALSE(recorder.recording());
}

} // namespace
} // namespace quillwave::plugins
