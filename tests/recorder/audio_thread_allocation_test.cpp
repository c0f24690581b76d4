// The audio-thread operations never touch the heap: the heap probe counts the calls made on the
// calling thread.

#include "dsp/gain_law.h"
#include "dsp/gain_state.h"
#include "dsp/input_meters.h"
#include "plugin/parameter_table.h"
#include "recorder/disk_recorder.h"

#include "recorder_test_support.h"
#include "support/heap_probe.h"

#include <gtest/gtest.h>

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
    std::size_t heapEvents = 0;
    std::uint64_t position = 0;
    {
        const quillwave::test::ThreadHeapScope heap;
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
        heapEvents = heap.events();
    }
    EXPECT_EQ(heapEvents, 0u);
    EXPECT_DOUBLE_EQ(lastGain, 1.0);
    EXPECT_GT(recorder.capturedFrames(), 0u);
    EXPECT_FALSE(recorder.recording());
}

} // namespace
} // namespace quillwave::plugins
