// Saving and reloading restores every slot bit for bit; a player's document loads its file or is
// refused whole.

#include "state_documents.h"
#include "state_streams.h"
#include "support/plugin_instance.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace quillwave;
using namespace quillwave::test;

namespace {

std::uint64_t bits(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

std::string saved(plugins::UtilityPlugin& plugin) {
    MemoryStream stream;
    EXPECT_EQ(componentOf(plugin).getState(&stream), kResultOk);
    return streamBytes(stream);
}

tresult load(plugins::UtilityPlugin& plugin, const std::string& bytes) {
    BytesStream stream(bytes);
    return componentOf(plugin).setState(&stream);
}

// A JSON string literal for text (escaping the backslashes of Windows paths).
std::string jsonString(const std::string& text) {
    return nlohmann::json(text).dump();
}

TEST(StateRoundTrip, EverySlotComesBackBitExactExceptPlayRecord) {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    // Values whose shortest decimal form is long, tiny or at the ends of the range.
    const double special[] = {0.0,
                              1.0,
                              std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::min(),
                              std::nextafter(1.0, 0.0),
                              0.1,
                              1.0 / 3.0,
                              2.0 / 3.0,
                              1e-300,
                              0.30000000000000004};
    for (const plugins::ModuleKind kind : kAllKinds) {
        auto original = makePlugin(kind);
        for (Vst::ParamID id = 0; id < 512; ++id) {
            const double v = id < std::size(special) ? special[id] : uniform(random);
            original->setTableValue(id, v);
        }
        original->setTableValue(3, 0.75);
        std::string text = saved(*original).substr(4);
        // Give it a path through a document too, with characters from several planes (a player
        // would have to load it, and a file of that name does not exist).
        const bool player = kind == plugins::ModuleKind::Player;
        if (!player) {
            text.replace(text.find("\"path\":\"\""), 9,
                         "\"path\":\"/takes/\xC3\xA9t\xC3\xA9 \xF0\x9F\x8E\xB5/mix.wav\"");
        }
        ASSERT_EQ(load(*original, framed(text)), kResultOk) << static_cast<int>(kind);
        for (Vst::ParamID id = 0; id < 512; ++id) {
            original->setTableValue(id, id < std::size(special) ? special[id] : uniform(random));
        }
        original->setTableValue(3, 1.0);

        auto copy = makePlugin(kind);
        ASSERT_EQ(load(*copy, saved(*original)), kResultOk);
        for (Vst::ParamID id = 0; id < 512; ++id) {
            const double expected = id == 3 ? 0.0 : original->getParamNormalized(id);
            ASSERT_EQ(bits(copy->getParamNormalized(id)), bits(expected))
                << "kind " << static_cast<int>(kind) << " slot " << id;
        }
        EXPECT_EQ(copy->filePath(), player ? u"" : u"/takes/\u00e9t\u00e9 \U0001F3B5/mix.wav");
        // Saving the copy writes the same document again.
        original->setTableValue(3, 0.0);
        EXPECT_EQ(saved(*copy), saved(*original));
    }
}

TEST(StateRoundTrip, RecorderOptionsComeBackOnAndAnOlderStatesZeroIsOff) {
    for (const Vst::ParamID id : {402u, 404u}) { // "New take every run", "Time-stamped takes"
        SCOPED_TRACE(id);
        auto original = makePlugin(plugins::ModuleKind::Recorder);
        ASSERT_EQ(original->setParamNormalized(id, 1.0), kResultOk);
        auto copy = makePlugin(plugins::ModuleKind::Recorder);
        ASSERT_EQ(load(*copy, saved(*original)), kResultOk);
        EXPECT_EQ(copy->getParamNormalized(id), 1.0);
        const Vst::Parameter* option = copy->getParameterObject(id);
        ASSERT_NE(option, nullptr);
        EXPECT_EQ(option->getNormalized(), 1.0);

        // A state saved before the option existed holds 0.0 in its slot, like every unused slot.
        std::string older = saved(*makePlugin(plugins::ModuleKind::Recorder));
        ASSERT_EQ(load(*copy, older), kResultOk);
        EXPECT_EQ(copy->getParamNormalized(id), 0.0);
        Vst::String128 text{};
        ASSERT_EQ(copy->getParamStringByValue(id, copy->getParamNormalized(id), text), kResultOk);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)), u"Off");
    }
}

TEST(StateRoundTrip, DocumentOfAnotherKindIsRefused) {
    auto input = makePlugin(plugins::ModuleKind::Input);
    input->setParamNormalized(1, 0.5);
    const std::string document = saved(*input);

    auto recorder = makePlugin(plugins::ModuleKind::Recorder);
    EXPECT_EQ(load(*recorder, document), kResultFalse);
    EXPECT_EQ(recorder->getParamNormalized(1), 15.0 / 17.0);

    auto otherInput = makePlugin(plugins::ModuleKind::Input);
    EXPECT_EQ(load(*otherInput, document), kResultOk);
    EXPECT_EQ(otherInput->getParamNormalized(1), 0.5);
}

class PlayerState : public ::testing::Test {
protected:
    void SetUp() override {
        writeFloatWav(folder / "a.wav", 2, 44100, std::vector<float>(2 * 300, 0.5f));
        writeFloatWav(folder / "b.wav", 1, 48000, std::vector<float>(700, -0.25f));
        std::ofstream(folder / "not-a-wav.wav", std::ios::binary) << "RIFX but not a WAV file";
    }

    static std::string document(const std::filesystem::path& path, const std::string& fill) {
        DocumentText d;
        d.kind = "5";
        d.parameters = parameterArray(512, {{2, fill}, {3, "0"}, {50, fill}});
        d.path = jsonString(path.empty() ? std::string() : pathText(path));
        return framed(d.str());
    }

    static std::string pathText(const std::filesystem::path& path) {
        const auto text = path.u8string();
        return {text.begin(), text.end()};
    }

    TempFolder folder;
    IPtr<plugins::UtilityPlugin> player = makePlugin(plugins::ModuleKind::Player);
};

TEST_F(PlayerState, LoadsTheNamedFile) {
    ASSERT_EQ(load(*player, document(folder / "a.wav", "0.5")), kResultOk);
    EXPECT_EQ(player->player().frameCount(), 300u);
    EXPECT_EQ(player->player().latestClip().channels, 2u);
    EXPECT_EQ(player->filePath(), u16path(folder / "a.wav"));
    ASSERT_EQ(load(*player, document(folder / "b.wav", "0.25")), kResultOk);
    EXPECT_EQ(player->player().frameCount(), 700u);
    EXPECT_EQ(player->getParamNormalized(50), 0.25);
}

TEST_F(PlayerState, UnreadableFileRefusesTheWholeDocument) {
    ASSERT_EQ(load(*player, document(folder / "a.wav", "0.5")), kResultOk);
    const plugins::AudioClip* clip = &player->player().latestClip();
    const std::u16string path = player->filePath();

    for (const char* name : {"missing.wav", "not-a-wav.wav", ""}) {
        const auto target = std::string(name).empty() ? folder.path() : folder / name;
        EXPECT_EQ(load(*player, document(target, "0.125")), kResultFalse) << name;
        EXPECT_EQ(&player->player().latestClip(), clip) << name;
        EXPECT_EQ(player->player().frameCount(), 300u) << name;
        EXPECT_EQ(player->filePath(), path) << name;
        EXPECT_EQ(player->getParamNormalized(2), 0.5) << name;
        EXPECT_EQ(player->getParamNormalized(50), 0.5) << name;
    }
}

TEST_F(PlayerState, InvalidDocumentNamingAReadableFileLoadsNothing) {
    ASSERT_EQ(load(*player, document(folder / "a.wav", "0.5")), kResultOk);
    const plugins::AudioClip* clip = &player->player().latestClip();
    // Each names b.wav, which would load; the document fails after the path was read.
    const std::string good = document(folder / "b.wav", "0.25").substr(4);
    const std::vector<std::string> bad = {
        good.substr(0, good.size() - 2) + "2}",                              // schema 2
        good + "{}",                                                         // a second value
        std::string(good).replace(good.find("0.25"), 4, "1.5"),              // element above 1
        std::string(good).replace(good.find("\"kind\":5"), 8, "\"kind\":6"), // another kind
    };
    for (const std::string& text : bad) {
        EXPECT_EQ(load(*player, framed(text)), kResultFalse) << text.substr(0, 40);
        EXPECT_EQ(&player->player().latestClip(), clip);
        EXPECT_EQ(player->player().frameCount(), 300u);
        EXPECT_EQ(player->filePath(), u16path(folder / "a.wav"));
    }
}

TEST_F(PlayerState, EmptyPathKeepsTheLoadedClip) {
    ASSERT_EQ(load(*player, document(folder / "a.wav", "0.5")), kResultOk);
    ASSERT_EQ(load(*player, document({}, "0.5")), kResultOk);
    EXPECT_EQ(player->player().frameCount(), 300u);
    EXPECT_EQ(player->filePath(), u"");
}

} // namespace
