// Parameters of every kind, constructed directly: what each registers and how the shared table
// takes values.

#include "support/plugin_instance.h"
#include "support/vst_strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace quillwave::plugins;
using quillwave::test::kAllKinds;
using quillwave::test::makePlugin;
using quillwave::test::narrow;

namespace {

std::vector<Steinberg::Vst::ParamID> registeredIds(UtilityPlugin& plugin) {
    std::vector<Steinberg::Vst::ParamID> ids;
    for (Steinberg::int32 i = 0; i < plugin.getParameterCount(); ++i) {
        Steinberg::Vst::ParameterInfo info{};
        EXPECT_EQ(plugin.getParameterInfo(i, info), Steinberg::kResultOk);
        ids.push_back(info.id);
    }
    return ids;
}

std::string titleAt(UtilityPlugin& plugin, Steinberg::int32 index) {
    Steinberg::Vst::ParameterInfo info{};
    plugin.getParameterInfo(index, info);
    return narrow(info.title);
}

TEST(ParameterTable, EveryKindRegistersItsListInOrder) {
    using Ids = std::vector<Steinberg::Vst::ParamID>;
    EXPECT_EQ(registeredIds(*makePlugin(ModuleKind::Input)), Ids({1}));
    EXPECT_EQ(registeredIds(*makePlugin(ModuleKind::Output)), Ids({1}));
    EXPECT_EQ(registeredIds(*makePlugin(ModuleKind::Summing)), Ids({0, 1}));
    EXPECT_EQ(registeredIds(*makePlugin(ModuleKind::Breakout)), Ids({0, 1}));
    EXPECT_EQ(registeredIds(*makePlugin(ModuleKind::Distributor)), Ids({0, 1}));
    EXPECT_EQ(registeredIds(*makePlugin(ModuleKind::Player)), Ids({2, 3}));
    EXPECT_EQ(registeredIds(*makePlugin(ModuleKind::Recorder)), Ids({2, 3, 400, 401, 402, 403, 404}));

    auto bank = makePlugin(ModuleKind::FaderBank);
    const Ids ids = registeredIds(*bank);
    ASSERT_EQ(ids.size(), 129u);
    EXPECT_EQ(ids[0], 0u);
    for (int n = 1; n <= 64; ++n) {
        EXPECT_EQ(ids[2 * n - 1], 99u + n);
        EXPECT_EQ(ids[2 * n], 199u + n);
    }
    EXPECT_EQ(titleAt(*bank, 0), "Active strips / branches");
    EXPECT_EQ(titleAt(*bank, 1), "Fader 1 gain");
    EXPECT_EQ(titleAt(*bank, 2), "Fader 1 mute");
    EXPECT_EQ(titleAt(*bank, 19), "Fader 10 gain");
    EXPECT_EQ(titleAt(*bank, 128), "Fader 64 mute");
}

TEST(ParameterTable, RangesStepsAndDisplayStrings) {
    auto summing = makePlugin(ModuleKind::Summing);
    Steinberg::Vst::ParameterInfo info{};
    ASSERT_EQ(summing->getParameterInfoByTag(0, info), Steinberg::kResultOk);
    EXPECT_EQ(info.stepCount, 63);
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, 1.0 / 9.0);
    EXPECT_DOUBLE_EQ(summing->normalizedParamToPlain(0, 1.0 / 9.0), 8.0);
    ASSERT_EQ(summing->getParameterInfoByTag(1, info), Steinberg::kResultOk);
    EXPECT_EQ(narrow(info.units), "dB");
    EXPECT_EQ(info.stepCount, 0);
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, 15.0 / 17.0);
    EXPECT_DOUBLE_EQ(summing->normalizedParamToPlain(1, 0.0), -90.0);
    EXPECT_DOUBLE_EQ(summing->normalizedParamToPlain(1, 1.0), 12.0);

    Steinberg::Vst::String128 text{};
    ASSERT_EQ(summing->getParamStringByValue(0, 1.0 / 9.0, text), Steinberg::kResultOk);
    EXPECT_EQ(narrow(text), "8");
    ASSERT_EQ(summing->getParamStringByValue(1, 15.0 / 17.0, text), Steinberg::kResultOk);
    EXPECT_EQ(narrow(text), "0.0000");
    ASSERT_EQ(summing->getParamStringByValue(1, 1.0, text), Steinberg::kResultOk);
    EXPECT_EQ(narrow(text), "12.0000");

    auto bank = makePlugin(ModuleKind::FaderBank);
    ASSERT_EQ(bank->getParamStringByValue(263, 1.0, text), Steinberg::kResultOk);
    EXPECT_EQ(narrow(text), "On");
    ASSERT_EQ(bank->getParamStringByValue(263, 0.5, text), Steinberg::kResultOk);
    EXPECT_EQ(narrow(text), "Off");
}

TEST(ParameterTable, FreshObjectsOfEveryKindHoldTheDefaultsInEverySlot) {
    for (ModuleKind kind : kAllKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        auto plugin = makePlugin(kind, false);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(0), 1.0 / 9.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(1), 15.0 / 17.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(2), 1.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(3), 0.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(4), 0.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(100), 15.0 / 17.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(163), 15.0 / 17.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(200), 0.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(400), 0.05);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(401), 1.0 / 120.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(511), 0.0);
        EXPECT_DOUBLE_EQ(plugin->getParamNormalized(512), 0.0);
    }
}

TEST(ParameterTable, WritesAreClampedAndInvalidOnesChangeNothing) {
    auto input = makePlugin(ModuleKind::Input);
    EXPECT_EQ(input->setParamNormalized(1, 1.7), Steinberg::kResultOk);
    EXPECT_DOUBLE_EQ(input->getParamNormalized(1), 1.0);
    EXPECT_EQ(input->setParamNormalized(1, -0.2), Steinberg::kResultOk);
    EXPECT_DOUBLE_EQ(input->getParamNormalized(1), 0.0);
    input->setParamNormalized(1, 0.25);
    input->setParamNormalized(1, std::numeric_limits<double>::quiet_NaN());
    input->setParamNormalized(1, std::numeric_limits<double>::infinity());
    input->setParamNormalized(1, -std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(input->getParamNormalized(1), 0.25);
    // The SDK parameter object follows the table and never sees a non-number.
    const Steinberg::Vst::Parameter* gain = input->getParameterObject(1);
    ASSERT_NE(gain, nullptr);
    EXPECT_DOUBLE_EQ(gain->getNormalized(), 0.25);
    Steinberg::Vst::String128 text{};
    gain->toString(gain->getNormalized(), text);
    EXPECT_EQ(narrow(text), "-64.5000");

    EXPECT_EQ(input->setParamNormalized(600, 0.3), Steinberg::kResultFalse);
    EXPECT_DOUBLE_EQ(input->getParamNormalized(600), 0.0);

    // Unregistered slots still take values, but the call reports the missing parameter.
    auto recorder = makePlugin(ModuleKind::Recorder);
    EXPECT_EQ(recorder->setParamNormalized(1, 0.5), Steinberg::kResultFalse);
    EXPECT_DOUBLE_EQ(recorder->getParamNormalized(1), 0.5);
    EXPECT_EQ(recorder->setParamNormalized(511, 0.75), Steinberg::kResultFalse);
    EXPECT_DOUBLE_EQ(recorder->getParamNormalized(511), 0.75);
    EXPECT_EQ(recorder->setParamNormalized(401, 0.5), Steinberg::kResultOk);
    EXPECT_DOUBLE_EQ(recorder->getParamNormalized(401), 0.5);
}

TEST(ParameterTable, DisplayNames) {
    EXPECT_EQ(displayName(ModuleKind::Input), "QUILLWAVE INPUT");
    EXPECT_EQ(displayName(ModuleKind::Recorder), "QUILLWAVE RECORDER");
    EXPECT_EQ(displayName(ModuleKind::Distributor), "QUILLWAVE DISTRIBUTOR");
    EXPECT_EQ(displayName(static_cast<ModuleKind>(0)), "QUILLWAVE FADER BANK");
    EXPECT_EQ(displayName(static_cast<ModuleKind>(9)), "QUILLWAVE FADER BANK");
}

} // namespace
