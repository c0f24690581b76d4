// One edit from the editor reaches the module's table, the SDK parameter and the host, in order.

#include "editor/plugin_editor_controls.h"
#include "host_edit_log.h"
#include "support/plugin_instance.h"

#include <gtest/gtest.h>

namespace quillwave::plugins {
namespace {

using test::HostEditLog;

TEST(ApplyEdit, BeginThenTableAndParameterThenPerformThenEnd) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    HostEditLog host(*plugin);
    applyEdit(*plugin, ParamId::Gain, 0.25);
    const auto& entries = host.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].call, HostEditLog::Call::Begin);
    EXPECT_EQ(entries[0].tableValue, 15.0 / 17.0); // the host hears of the gesture first
    EXPECT_EQ(entries[1].call, HostEditLog::Call::Perform);
    EXPECT_EQ(entries[1].value, 0.25);
    EXPECT_EQ(entries[1].tableValue, 0.25);
    EXPECT_EQ(entries[2].call, HostEditLog::Call::End);
    for (const auto& entry : entries) {
        EXPECT_EQ(entry.id, ParamId::Gain);
    }
    ASSERT_NE(plugin->getParameterObject(ParamId::Gain), nullptr);
    EXPECT_EQ(plugin->getParameterObject(ParamId::Gain)->getNormalized(), 0.25);
    EXPECT_EQ(plugin->getParamNormalized(ParamId::Gain), 0.25);
}

TEST(ApplyEdit, WithoutAHostTheModuleStillChanges) {
    const auto plugin = test::makePlugin(ModuleKind::FaderBank);
    applyEdit(*plugin, stripMuteId(5), 1.0);
    EXPECT_EQ(plugin->table().get(stripMuteId(5)), 1.0);
    EXPECT_EQ(plugin->getParameterObject(stripMuteId(5))->getNormalized(), 1.0);
}

TEST(ApplyEdit, AParameterTheKindDoesNotRegisterStillReachesTheTable) {
    const auto plugin = test::makePlugin(ModuleKind::Input);
    ASSERT_EQ(plugin->getParameterObject(ParamId::MaximumTail), nullptr);
    HostEditLog host(*plugin);
    applyEdit(*plugin, ParamId::MaximumTail, 0.5);
    EXPECT_EQ(plugin->table().get(ParamId::MaximumTail), 0.5);
    EXPECT_EQ(test::completeEdits(host).size(), 1u);
}

TEST(ApplyEdit, TheControlsReadLiveModuleState) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    PluginEditorControls controls(*plugin);
    EXPECT_EQ(controls.kind(), ModuleKind::Recorder);
    EXPECT_EQ(controls.displayName(), "QUILLWAVE RECORDER");
    EXPECT_EQ(controls.parameter(ParamId::FollowTransport), 1.0);
    EXPECT_EQ(controls.parameter(600), 0.0);
    EXPECT_EQ(controls.playerFrameCount(), 0u);
    const RecorderReadiness readiness = controls.recorderReadiness();
    EXPECT_FALSE(readiness.ready || readiness.recording || readiness.diskError);
}

} // namespace
} // namespace quillwave::plugins
