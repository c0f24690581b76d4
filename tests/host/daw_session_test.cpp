// A saved project or preset restored in the call orders of real hosts: the destination is armed
// right after the load, values read back as loaded, saving gives the document back, and the next transport
// run records a sample-exact take. Loads never cut or redirect a running take.

#include "editor/plugin_editor_model.h"
#include "plugin/state_document.h"
#include "plugin/state_stream.h"
#include "support/test_host.h"
#include "support/wait_until.h"
#include "support/wav_file.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstparameters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using namespace quillwave;
using namespace quillwave::test;
namespace fs = std::filesystem;

namespace {

constexpr int kFrames = 128;

double signal(std::uint64_t position, int channel) {
    return 0.25 + 0.5 * std::fmod(static_cast<double>(position) * 0.001 + channel * 0.37, 1.0);
}

// A recorder in a host, and the project it restores: the destination of the last session (a
// finished take, so it exists) and values that differ from the defaults.
struct Session {
    TempFolder folder;
    TestHost host{[] {
        TestHost::Config c;
        c.maxBlock = kFrames;
        return c;
    }()};
    plugins::ParameterTable saved;
    std::uint64_t position = 0;

    Session() {
        writeFloatWav(folder / "song.wav", 2, 48000, std::vector<float>(20, 0.5f));
        saved.set(400, 0.01);
        saved.set(401, 0.25);
        saved.set(7, 0.625); // a slot no parameter uses
    }
    std::string document(const fs::path& destination) const {
        return plugins::writeStateDocument(plugins::ModuleKind::Recorder, saved,
                                           u16path(destination));
    }
    tresult load(bool controllerSide, const std::string& text) {
        IPtr<MemoryStream> stream(new MemoryStream, false);
        EXPECT_TRUE(plugins::writeFramedText(*stream, text));
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        return controllerSide ? host.controller->setComponentState(stream)
                              : host.component->setState(stream);
    }
    // The component's state, then the controller's, as hosts restore a project or a preset.
    void restore(const fs::path& destination) {
        EXPECT_EQ(load(false, document(destination)), kResultOk);
        EXPECT_EQ(load(true, document(destination)), kResultOk);
    }
    void activate() {
        ASSERT_EQ(host.component->setActive(true), kResultOk);
        ASSERT_EQ(host.processor->setProcessing(true), kResultOk);
    }
    tresult block(bool playing) {
        host.fillInput(kFrames, [&](int i, int c) { return signal(position + i, c); });
        position += kFrames;
        return host.run(kFrames, playing);
    }
    std::string savedNow() {
        MemoryStream stream;
        EXPECT_EQ(host.component->getState(&stream), kResultOk);
        return {stream.getData() + 4, static_cast<std::size_t>(stream.getSize()) - 4};
    }
    // Runs `blocks` blocks with the transport playing from the next one, then stops processing
    // and deactivates, which finalizes the take; returns the first recorded position.
    std::uint64_t recordRun(int blocks) {
        EXPECT_EQ(block(false), kResultOk);
        const std::uint64_t start = position;
        for (int b = 0; b < blocks; ++b) {
            EXPECT_EQ(block(true), kResultOk);
        }
        EXPECT_EQ(host.processor->setProcessing(false), kResultOk);
        EXPECT_EQ(host.component->setActive(false), kResultOk);
        EXPECT_TRUE(host.waitForTakes());
        return start;
    }
};

void expectTake(const fs::path& file, std::uint64_t start, std::uint64_t frames) {
    const WavTake take = readTake(file);
    ASSERT_TRUE(take.valid);
    ASSERT_EQ(take.frames(), frames);
    for (std::uint64_t f = 0; f < frames; ++f) {
        for (int c = 0; c < 2; ++c) {
            ASSERT_EQ(take.at(f, static_cast<std::uint32_t>(c)),
                      static_cast<float>(signal(start + f, c)))
                << "frame " << f;
        }
    }
}

struct HostOrder {
    const char* name;
    void (*restore)(Session&);
};

void PrintTo(const HostOrder& order, std::ostream* os) {
    *os << order.name;
}

const HostOrder kOrders[] = {
    {"StateBeforeActivation",
     [](Session& s) {
         s.restore(s.folder / "song.wav");
         s.activate();
     }},
    {"ArdourRestoresAfterProcessingStarts",
     [](Session& s) {
         s.activate();
         s.restore(s.folder / "song.wav");
     }},
    {"JuceFlushesEditsThenRestores",
     [](Session& s) {
         s.activate();
         for (const Vst::ParamID id : {2, 400, 401}) {
             s.host.controller->setParamNormalized(id, 0.875);
         }
         s.restore(s.folder / "song.wav");
     }},
    {"PresetWhileTheTransportRuns",
     [](Session& s) {
         s.activate();
         std::atomic<int> blocks{0};
         std::atomic<bool> done{false};
         std::thread audio([&] {
             while (!done) {
                 s.block(true);
                 ++blocks;
             }
         });
         while (blocks < 5) {
             std::this_thread::yield();
         }
         s.restore(s.folder / "song.wav");
         const int after = blocks + 5;
         while (blocks < after) {
             std::this_thread::yield();
         }
         done = true;
         audio.join();
     }},
};

class RestoredSession : public ::testing::TestWithParam<HostOrder> {};

TEST_P(RestoredSession, ArmsShortlyReadsBackAsLoadedAndRecordsTheNextRun) {
    Session s;
    GetParam().restore(s);
    plugins::UtilityPlugin& plugin = s.host.plugin();
    const fs::path take = s.folder / "song-take1.wav";
    // A load only asks for the arming; it follows off the loading thread.
    ASSERT_TRUE(waitUntil([&] {
        return plugin.readMeterSnapshot().recorder.armed && fs::path(plugin.filePath()) == take &&
               fs::path(plugin.statusFilePath()) == take;
    }));
    EXPECT_EQ(fs::path(plugin.filePath()), take);
    EXPECT_EQ(readTake(take).fileSize, 44u); // armed: the provisional header only
    EXPECT_FALSE(fs::exists(s.folder / "song-take2.wav"));
    for (Vst::ParamID id = 0; id < 512; ++id) {
        const double expected = id == 3 ? 0.0 : s.saved.get(id);
        ASSERT_EQ(plugin.getParamNormalized(id), expected) << "id " << id;
        if (Vst::Parameter* object = plugin.getParameterObject(id)) {
            ASSERT_EQ(object->getNormalized(), expected) << "id " << id;
        }
    }
    EXPECT_EQ(s.savedNow(), s.document(take));

    const std::uint64_t start = s.recordRun(6);
    expectTake(take, start, 6 * kFrames);
}

INSTANTIATE_TEST_SUITE_P(HostOrders, RestoredSession, ::testing::ValuesIn(kOrders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RestoredSession, NamingTheArmedFileInAnotherSpellingKeepsItAndCreatesNothing) {
    Session s;
    s.activate();
    std::string error;
    ASSERT_TRUE(s.host.plugin().chooseFile(u16path(s.folder / "Armed.wav"), error)) << error;
#ifdef _WIN32
    std::u16string other = u16path(s.folder / "Armed.wav");
    for (char16_t& c : other) {
        c = c == u'\\' ? u'/' : (c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c);
    }
#else
    const std::u16string other = u16path(s.folder.path()) + u"//./Armed.wav";
#endif
    const std::string loaded =
        plugins::writeStateDocument(plugins::ModuleKind::Recorder, s.saved, other);
    ASSERT_EQ(s.load(false, loaded), kResultOk);
    ASSERT_EQ(s.load(true, loaded), kResultOk);
    EXPECT_EQ(s.savedNow(), loaded);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(s.folder.path())) {
        ++files;
    }
    EXPECT_EQ(files, 2); // song.wav and the armed file, nothing new

    const std::uint64_t start = s.recordRun(3);
    expectTake(s.folder / "Armed.wav", start, 3 * kFrames);
}

TEST(RestoredSession, ALoadDuringATakeNeitherCutsNorRedirectsIt) {
    Session s;
    std::string error;
    ASSERT_TRUE(s.host.plugin().chooseFile(u16path(s.folder / "take.wav"), error)) << error;
    s.activate();
    ASSERT_EQ(s.block(false), kResultOk);
    const std::uint64_t start = s.position;
    for (int b = 0; b < 8; ++b) {
        if (b == 4) {
            s.restore(s.folder / "next.wav");
            EXPECT_EQ(plugins::moduleStatusLine(s.host.plugin()), "Recording | take.wav");
        }
        ASSERT_EQ(s.block(true), kResultOk);
    }
    ASSERT_EQ(s.host.processor->setProcessing(false), kResultOk);
    ASSERT_EQ(s.host.component->setActive(false), kResultOk);
    ASSERT_TRUE(s.host.waitForTakes());
    expectTake(s.folder / "take.wav", start, 8 * kFrames);
    EXPECT_FALSE(fs::exists(s.folder / "next.wav"));
    EXPECT_EQ(fs::path(s.host.plugin().filePath()), s.folder / "next.wav");

    // The next activation arms the loaded destination and leaves the take as it was.
    const auto takeBytes = readBytes(s.folder / "take.wav");
    ASSERT_EQ(s.host.component->setActive(true), kResultOk);
    EXPECT_TRUE(waitUntil([&] { return readTake(s.folder / "next.wav").fileSize == 44u; }));
    EXPECT_EQ(readBytes(s.folder / "take.wav"), takeBytes);
}

// With "New take every run" on, each finalized take arms the next take name by itself, and every
// transport run records its own sample-exact take; off, the second run records nothing.
TEST(NewTakeEveryRun, OnEachRunRecordsItsOwnTakeOffOnlyTheFirstRunRecords) {
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        Session s;
        plugins::UtilityPlugin& plugin = s.host.plugin();
        s.host.controller->setParamNormalized(401, 0.0); // a tail of 480 frames
        s.host.controller->setParamNormalized(402, on ? 1.0 : 0.0);
        std::string error;
        ASSERT_TRUE(plugin.chooseFile(u16path(s.folder / "run.wav"), error)) << error;
        s.activate();
        const fs::path takes[] = {s.folder / "run.wav", s.folder / "run-take1.wav",
                                  s.folder / "run-take2.wav", s.folder / "run-take3.wav"};
        std::uint64_t starts[3] = {};
        for (int run = 0; run < 3; ++run) {
            ASSERT_EQ(s.block(false), kResultOk);
            starts[run] = s.position;
            for (int b = 0; b < 5; ++b) {
                ASSERT_EQ(s.block(true), kResultOk);
            }
            for (int b = 0; b < 8; ++b) { // the tail ends within these
                ASSERT_EQ(s.block(false), kResultOk);
            }
            ASSERT_FALSE(plugin.recorder().recording());
            if (on) {
                ASSERT_TRUE(waitUntil([&] {
                    return plugin.recorder().ready() && fs::path(plugin.filePath()) == takes[run + 1];
                }));
            } else {
                ASSERT_TRUE(waitUntil([&] { return plugin.recorder().writerFinished(); }));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        // The project saves the armed take's name.
        EXPECT_EQ(fs::path(plugin.filePath()), on ? takes[3] : takes[0]);
        ASSERT_EQ(s.host.processor->setProcessing(false), kResultOk);
        ASSERT_EQ(s.host.component->setActive(false), kResultOk);
        ASSERT_TRUE(s.host.waitForTakes());
        for (int run = 0; run < (on ? 3 : 1); ++run) {
            expectTake(takes[run], starts[run], 5 * kFrames + 480);
        }
        if (!on) {
            EXPECT_FALSE(fs::exists(takes[1]));
        }
    }
}

} // namespace
