// A real disk fault: the process's file-size limit (RLIMIT_FSIZE, with SIGXFSZ ignored) cuts a
// take off mid-way. The recorder reports the disk error, stops capturing at the next block, and
// leaves a valid WAV file whose header matches the samples that reached the disk.

#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <thread>

using namespace quillwave;
using namespace quillwave::test;

namespace {

// Lowers the soft file-size limit for the scope; the hard limit stays, so it can be raised again.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
    bool ok_ = false;
};

TEST(FileSizeLimit, ATakeCutOffByTheLimitStaysAValidFile) {
    TempFolder folder;
    TestHost::Config config;
    config.maxBlock = 512;
    TestHost host(config);
    std::string error;
    const auto path = folder / "limited.wav";
    ASSERT_TRUE(host.plugin().chooseFile(u16path(path), error)) << error;
    host.processor->setProcessing(true);

    // 10,000 whole frames and 5 bytes of the next one fit.
    const rlim_t limit = 44 + 8 * 10000 + 5;
    {
        FileSizeLimit scope(limit);
        ASSERT_TRUE(scope.ok());
        host.fillInput(512, [](int i, int c) { return 0.001 * (i + 1) * (c ? -1 : 1); });
        // Well past the limit, but within the ring, so no frame is dropped; then the writer gets
        // as long as a loaded machine needs to reach the limit.
        for (int block = 0; block < 200; ++block) {
            ASSERT_EQ(host.run(512, true), kResultOk);
        }
        for (int wait = 0; wait < 5000 && !host.plugin().recorder().diskError(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_TRUE(host.plugin().recorder().diskError());
        EXPECT_TRUE(host.plugin().readMeterSnapshot().recorder.diskError);
        // Capture stops at the next block.
        ASSERT_EQ(host.run(512, true), kResultOk);
        EXPECT_FALSE(host.plugin().recorder().recording());
        const std::uint64_t captured = host.plugin().recorder().capturedFrames();
        ASSERT_EQ(host.run(512, true), kResultOk);
        EXPECT_EQ(host.plugin().recorder().capturedFrames(), captured);
        host.processor->setProcessing(false);
        host.component->setActive(false);
        ASSERT_TRUE(host.waitForTakes());
    }
    const WavTake take = readTake(path);
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.frames(), 10000u);
    EXPECT_EQ(take.dataSize, 8u * 10000);
    EXPECT_EQ(take.riffSize, take.dataSize + 36);
    EXPECT_EQ(host.plugin().recorder().writtenFrames(), 10000u);
    for (std::uint64_t f = 0; f < take.frames(); ++f) {
        ASSERT_EQ(take.at(f, 0), static_cast<float>(0.001 * (f % 512 + 1))) << f;
    }
}

} // namespace
