// The recording time left on the destination's volume: read off the editor's thread, shown on
// the recorder page, and a warning in the status line when it runs short.

#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "editor/palette.h"
#include "editor/plugin_editor_model.h"
#include "platform/free_space.h"
#include "platform/module_threads.h"
#include "recorded_calls.h"
#include "support/plugin_instance.h"
#include "support/wait_until.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>

namespace quillwave::plugins {
namespace {

using test::labelAt;

// A stereo 48 kHz recorder (the defaults) armed on mix.wav, whose volume reports `bytes` free.
struct ArmedRecorder {
    explicit ArmedRecorder(std::optional<std::uint64_t> bytes) {
        std::string error;
        EXPECT_TRUE(plugin->chooseFile(test::u16path(folder / "mix.wav"), error)) << error;
        model = std::make_unique<PluginEditorModel>(
            *plugin, [bytes](const std::u16string&) { return bytes; });
    }
    // Paints until the first reading has arrived (or, for a volume that cannot be asked, once).
    RecordingSurface paintRead() {
        test::waitUntil([&] { return model->recordingSecondsLeft().has_value(); },
                        std::chrono::seconds(2));
        RecordingSurface surface;
        std::uint32_t bankPage = 0;
        paintEditor(*model, bankPage, surface);
        return surface;
    }
    test::TempFolder folder;
    IPtr<UtilityPlugin> plugin = test::makePlugin(ModuleKind::Recorder);
    std::unique_ptr<PluginEditorModel> model;
};

constexpr std::uint64_t kStereo48kBytesPerMinute = 60ull * 48000 * 2 * 4;

TEST(DiskTimeLeft, PageShowsTheTimeAndWarnsBelowTenMinutes) {
    {
        ArmedRecorder r(kStereo48kBytesPerMinute * (2 * 60 + 14) + 1000);
        const RecordingSurface s = r.paintRead();
        const auto label = labelAt(s, layout::kDiskTimeLeft);
        ASSERT_TRUE(label);
        EXPECT_EQ(label->text, u"Disk: 2 h 14 min left");
        EXPECT_EQ(label->colour, palette::kSecondaryText);
        EXPECT_EQ(labelAt(s, layout::kStatusLine)->text, u"Armed and ready | mix.wav");
        EXPECT_EQ(labelAt(s, layout::kStatusLine)->colour, palette::kAccent);
    }
    {
        // 9 min 59 s: under the threshold, and the minutes never round up.
        ArmedRecorder r(kStereo48kBytesPerMinute * 10 - 48000 * 8);
        const RecordingSurface s = r.paintRead();
        EXPECT_EQ(labelAt(s, layout::kDiskTimeLeft)->text, u"Disk: 9 min left");
        EXPECT_EQ(labelAt(s, layout::kDiskTimeLeft)->colour, palette::kStateDiskError);
        EXPECT_EQ(labelAt(s, layout::kStatusLine)->text, u"Disk almost full: 9 min left | mix.wav");
        EXPECT_EQ(labelAt(s, layout::kStatusLine)->colour, palette::kStateDiskError);
    }
    {
        ArmedRecorder r(kStereo48kBytesPerMinute / 2);
        EXPECT_EQ(labelAt(r.paintRead(), layout::kDiskTimeLeft)->text,
                  u"Disk: less than 1 min left");
        EXPECT_EQ(moduleStatusLine(*r.plugin, r.model->recordingSecondsLeft()),
                  "Disk almost full: less than 1 min left | mix.wav");
    }
    {
        // A volume that cannot be asked shows nothing and warns of nothing.
        ArmedRecorder r(std::nullopt);
        const RecordingSurface s = r.paintRead();
        EXPECT_FALSE(labelAt(s, layout::kDiskTimeLeft));
        EXPECT_EQ(labelAt(s, layout::kStatusLine)->text, u"Armed and ready | mix.wav");
    }
}

TEST(DiskTimeLeft, AStalledVolumeNeverHoldsTheCallerAndIsAskedOnceAtATime) {
    std::mutex mutex;
    std::condition_variable changed;
    bool release = false;
    std::atomic<int> readings{0};
    FreeSpaceWatch watch([&](const std::u16string&) -> std::optional<std::uint64_t> {
        readings.fetch_add(1);
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return release; });
        return 123;
    });
    const std::u16string path = u"/rec/mix.wav";
    const auto now = FreeSpaceWatch::Clock::now();
    for (int call = 0; call < 50; ++call) {
        // Every call is due for a reading: there is none of this path yet.
        EXPECT_FALSE(watch.freeBytes(path, now));
    }
    EXPECT_TRUE(test::waitUntil([&] { return readings.load() == 1; }));
    {
        const std::lock_guard lock(mutex);
        release = true;
    }
    changed.notify_all();
    EXPECT_TRUE(test::waitUntil([&] { return watch.freeBytes(path, now) == 123u; }));
    // Within the interval the reading is kept; after it, the volume is asked again.
    EXPECT_EQ(watch.freeBytes(path, now + FreeSpaceWatch::kInterval / 2), 123u);
    EXPECT_EQ(readings.load(), 1);
    watch.freeBytes(path, now + FreeSpaceWatch::kInterval);
    EXPECT_TRUE(test::waitUntil([&] { return readings.load() == 2; }));
    platform::joinModuleThreads();
}

TEST(DiskTimeLeft, AReadingThatThrowsReadsAsUnknownAndTheNextOneIsMade) {
    std::atomic<int> readings{0};
    FreeSpaceWatch watch([&](const std::u16string&) -> std::optional<std::uint64_t> {
        if (readings.fetch_add(1) == 0) {
            throw std::bad_alloc();
        }
        return 456;
    });
    const auto now = FreeSpaceWatch::Clock::now();
    watch.freeBytes(u"/rec/mix.wav", now);
    platform::joinModuleThreads();
    EXPECT_FALSE(watch.freeBytes(u"/rec/mix.wav", now));
    EXPECT_TRUE(test::waitUntil([&] {
        return watch.freeBytes(u"/rec/mix.wav", now + FreeSpaceWatch::kInterval) == 456u;
    }));
    platform::joinModuleThreads();
}

TEST(DiskTimeLeft, TheVolumeOfTheDestinationsFolder) {
    EXPECT_EQ(platform::folderOfPath(u"/rec/mix.wav"), u"/rec");
    EXPECT_EQ(platform::folderOfPath(u"/mix.wav"), u"/");
    EXPECT_EQ(platform::folderOfPath(u"C:\\mix.wav"), u"C:\\");
    EXPECT_EQ(platform::folderOfPath(u"D:/rec/live/mix.wav"), u"D:/rec/live");
    EXPECT_FALSE(platform::folderOfPath(u"mix.wav"));
    test::TempFolder folder;
    const auto bytes = platform::freeBytesForPath(test::u16path(folder / "new.wav"));
    ASSERT_TRUE(bytes);
    EXPECT_GT(*bytes, 0u);
    EXPECT_FALSE(platform::freeBytesForPath(test::u16path(folder / "missing" / "new.wav")));
    EXPECT_EQ(timeLeftText(59.9), "less than 1 min left");
    EXPECT_EQ(timeLeftText(3600.0 * 26 + 59), "26 h 0 min left");
}

} // namespace
} // namespace quillwave::plugins
