// Loading a saved document: every refusal leaves parameters and path exactly as they were, and the
// edge cases that must load do.

#include "state_documents.h"
#include "state_streams.h"
#include "support/plugin_instance.h"

#include "public.sdk/source/vst/vstparameters.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

using namespace quillwave;
using namespace quillwave::test;

namespace {

// Everything a load may change, with doubles compared by their bits.
struct Snapshot {
    std::array<std::uint64_t, 512> slots{};
    std::vector<std::uint64_t> parameterObjects;
    std::u16string path;

    static std::uint64_t bits(double v) {
        std::uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        return b;
    }
    static Snapshot of(plugins::UtilityPlugin& plugin) {
        Snapshot s;
        for (Vst::ParamID id = 0; id < 512; ++id) {
            s.slots[id] = bits(plugin.getParamNormalized(id));
            if (Vst::Parameter* p = plugin.getParameterObject(id)) {
                s.parameterObjects.push_back(bits(p->getNormalized()));
            }
        }
        s.path = plugin.filePath();
        return s;
    }
    bool operator==(const Snapshot&) const = default;
};

// Each slot a different value, so a partial load would show.
std::string distinctParameters() {
    std::map<std::size_t, std::string> at;
    for (std::size_t i = 0; i < 512; ++i) {
        at[i] = std::to_string(static_cast<double>(i + 1) / 1024.0);
    }
    return parameterArray(512, at);
}

enum class Entry { Component, Controller };

class StateLoading : public ::testing::TestWithParam<Entry> {
protected:
    void SetUp() override {
        DocumentText before;
        before.parameters = distinctParameters();
        before.path = "\"before/take.wav\"";
        ASSERT_EQ(load(framed(before.str())), kResultOk);
        ASSERT_EQ(plugin->filePath(), u"before/take.wav");
    }

    tresult load(const std::string& bytes) {
        BytesStream stream(bytes);
        return GetParam() == Entry::Component ? componentOf(*plugin).setState(&stream)
                                              : plugin->setComponentState(&stream);
    }

    IPtr<plugins::UtilityPlugin> plugin = makePlugin(plugins::ModuleKind::Recorder);
};

std::string withParameter(std::size_t index, const std::string& value, std::size_t count = 512) {
    DocumentText d;
    d.parameters = parameterArray(count, {{index, value}});
    return d.str();
}

std::string withPathUnits(std::size_t units) {
    DocumentText d;
    d.path = "\"" + std::string(units, 'p') + "\"";
    return d.str();
}

TEST_P(StateLoading, EveryRefusalLeavesTheModuleUntouched) {
    auto doc = [](auto edit) {
        DocumentText d;
        edit(d);
        return framed(d.str());
    };
    const std::string valid = DocumentText{}.str();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty stream", ""},
        {"three count bytes", framed(valid).substr(0, 3)},
        {"count 0", framed("", 0)},
        {"negative count", framed(valid, -1 & 0xFFFFFFFF)},
        {"count past 1 MiB", framed(valid + std::string(1048577 - valid.size(), ' '))},
        {"count beyond the stream", framed(valid, static_cast<std::int64_t>(valid.size()) + 1)},
        {"not JSON", framed("kind=6")},
        {"array root", framed("[" + valid + "]")},
        {"number root", framed("6")},
        {"schema 2", doc([](auto& d) { d.schema = "2"; })},
        {"schema as string", doc([](auto& d) { d.schema = "\"1\""; })},
        {"schema null", doc([](auto& d) { d.schema = "null"; })},
        {"schema array", doc([](auto& d) { d.schema = "[1]"; })},
        {"schema missing", doc([](auto& d) { d.schema.reset(); })},
        {"schema wrapping to 1", doc([](auto& d) { d.schema = "4294967297"; })},
        {"schema far out of range", doc([](auto& d) { d.schema = "1e300"; })},
        {"schema -0.5 cut to 0", doc([](auto& d) { d.schema = "-0.5"; })},
        {"kind missing", doc([](auto& d) { d.kind.reset(); })},
        {"kind of the player", doc([](auto& d) { d.kind = "5"; })},
        {"kind as string", doc([](auto& d) { d.kind = "\"6\""; })},
        {"kind wrapping to 6", doc([](auto& d) { d.kind = "4294967302"; })},
        {"parameters missing", doc([](auto& d) { d.parameters.reset(); })},
        {"parameters as object", doc([](auto& d) { d.parameters = "{\"0\":0.5}"; })},
        {"511 parameters", doc([](auto& d) { d.parameters = parameterArray(511); })},
        {"513 parameters", doc([](auto& d) { d.parameters = parameterArray(513); })},
        {"element above 1", framed(withParameter(7, "1.0000001"))},
        {"element below 0", framed(withParameter(7, "-0.0001"))},
        {"element null", framed(withParameter(7, "null"))},
        {"element true", framed(withParameter(7, "true"))},
        {"element string", framed(withParameter(7, "\"0.5\""))},
        {"element array", framed(withParameter(7, "[0.5]"))},
        {"last element 2", framed(withParameter(511, "2"))},
        {"element overflowing", framed(withParameter(7, "1e400"))},
        {"path as number", doc([](auto& d) { d.path = "7"; })},
        {"path null", doc([](auto& d) { d.path = "null"; })},
        {"path with invalid UTF-8", doc([](auto& d) { d.path = "\"a\xC3\x28.wav\""; })},
        {"path with overlong UTF-8", doc([](auto& d) { d.path = "\"\xC0\xAF.wav\""; })},
        {"path with a lone surrogate", doc([](auto& d) { d.path = "\"\\ud800.wav\""; })},
        {"path of 32768 units", framed(withPathUnits(32768))},
        {"second value after the object", framed(valid + "{}")},
        {"second number after the object", framed(valid + " 1")},
        {"trailing comment", framed(valid + "//")},
        {"comment inside", framed("{/*c*/" + valid.substr(1))},
        {"trailing comma", framed(valid.substr(0, valid.size() - 1) + ",}")},
        {"unquoted key", framed("{kind:6" + valid.substr(9))},
        {"zero byte after the object", framed(valid + std::string(1, '\0'))},
        {"zero byte hiding a second value", framed(valid + std::string(1, '\0') + "{}")},
        {"raw zero byte in the path", doc([](auto& d) { d.path = std::string("\"a\0b\"", 5); })},
    };
    const Snapshot before = Snapshot::of(*plugin);
    for (const auto& [name, bytes] : cases) {
        EXPECT_EQ(load(bytes), kResultFalse) << name;
        ASSERT_EQ(Snapshot::of(*plugin), before) << name;
    }
}

TEST_P(StateLoading, NullStreamIsRefusedAndLoadingWhileProcessingIsNot) {
    const Snapshot before = Snapshot::of(*plugin);
    EXPECT_EQ(componentOf(*plugin).setState(nullptr), kResultFalse);
    EXPECT_EQ(plugin->setComponentState(nullptr), kResultFalse);
    EXPECT_EQ(Snapshot::of(*plugin), before);

    // Hosts restore projects and presets while audio runs.
    ASSERT_EQ(plugin->setProcessing(true), kResultOk);
    DocumentText d;
    d.parameters = parameterArray(512, {{400, "0.375"}});
    EXPECT_EQ(load(framed(d.str())), kResultOk);
    EXPECT_EQ(plugin->getParamNormalized(400), 0.375);
    ASSERT_EQ(plugin->setProcessing(false), kResultOk);
}

TEST_P(StateLoading, LoadedValuesReachTableAndParameterObjects) {
    std::map<std::size_t, std::string> at = {{2, "0"},     {3, "1.0"},  {400, "1"},
                                             {401, "0.5"}, {7, "0.75"}, {511, "1e-3"}};
    DocumentText d;
    d.parameters = parameterArray(512, at);
    ASSERT_EQ(load(framed(d.str())), kResultOk);
    EXPECT_EQ(plugin->getParamNormalized(2), 0.0);
    EXPECT_EQ(plugin->getParamNormalized(3), 0.0); // never restored as on
    EXPECT_EQ(plugin->getParamNormalized(400), 1.0);
    EXPECT_EQ(plugin->getParamNormalized(401), 0.5);
    EXPECT_EQ(plugin->getParamNormalized(7), 0.75);
    EXPECT_EQ(plugin->getParamNormalized(511), 1e-3);
    EXPECT_EQ(plugin->getParamNormalized(100), 0.25);
    EXPECT_EQ(plugin->getParameterObject(2)->getNormalized(), 0.0);
    EXPECT_EQ(plugin->getParameterObject(3)->getNormalized(), 0.0);
    EXPECT_EQ(plugin->getParameterObject(400)->getNormalized(), 1.0);
    EXPECT_EQ(plugin->getParameterObject(401)->getNormalized(), 0.5);
    EXPECT_EQ(plugin->filePath(), u"restored.wav");
}

TEST_P(StateLoading, EdgeCasesThatLoad) {
    const std::string valid = DocumentText{}.str();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"spaces and line breaks after the object", framed(valid + " \r\n\t ")},
        {"whitespace inside", framed("{ \"kind\" : 6 ,\n" + valid.substr(10))},
        {"schema 1.9 cut toward zero", framed([] {
             DocumentText d;
             d.schema = "1.9";
             return d.str();
         }())},
        {"schema true counts as 1", framed([] {
             DocumentText d;
             d.schema = "true";
             return d.str();
         }())},
        {"kind 6.5", framed([] {
             DocumentText d;
             d.kind = "6.5";
             return d.str();
         }())},
        {"integers 0 and 1 as elements", framed(withParameter(9, "1"))},
        {"path of 32767 units", framed(withPathUnits(32767))},
        {"unknown members", framed("{\"extra\":[null,{}]," + valid.substr(1))},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_EQ(load(bytes), kResultOk) << name;
    }
    EXPECT_EQ(plugin->filePath(), u"restored.wav");
    EXPECT_EQ(plugin->getParamNormalized(9), 0.25);
}

TEST_P(StateLoading, MissingPathClearsTheDestination) {
    DocumentText d;
    d.path.reset();
    ASSERT_EQ(load(framed(d.str())), kResultOk);
    EXPECT_EQ(plugin->filePath(), u"");
}

TEST_P(StateLoading, PathsKeepTheirSlashesAndCharacters) {
    DocumentText d;
    d.path = "\"D:/rec\\\\mix \xC3\xA9\\u6f22\xF0\x9F\x8E\xB5.wav\"";
    ASSERT_EQ(load(framed(d.str())), kResultOk);
    EXPECT_EQ(plugin->filePath(), u"D:/rec\\mix \u00e9\u6f22\U0001F3B5.wav");
}

TEST_P(StateLoading, DocumentOfExactlyOneMebibyteLoads) {
    const std::string valid = DocumentText{}.str();
    const std::string padded = valid + std::string(1048576 - valid.size(), ' ');
    ASSERT_EQ(padded.size(), 1048576u);
    EXPECT_EQ(load(framed(padded)), kResultOk);
    EXPECT_EQ(load(framed(padded + " ")), kResultFalse);
}

INSTANTIATE_TEST_SUITE_P(Entries, StateLoading,
                         ::testing::Values(Entry::Component, Entry::Controller),
                         [](const auto& info) {
                             return info.param == Entry::Component ? "ComponentSetState"
                                                                   : "ControllerSetComponentState";
                         });

} // namespace
