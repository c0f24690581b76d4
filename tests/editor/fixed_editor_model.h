#pragma once

// An editor model made of plain fields, so a picture can be painted from any constructed state.
// Parameters start at the module's defaults.

#include "editor/editor_model.h"
#include "plugin/parameter_table.h"

#include <array>
#include <string>
#include <vector>

namespace quillwave::test {

class FixedEditorModel final : public plugins::EditorModel {
public:
    explicit FixedEditorModel(plugins::ModuleKind kind) : moduleKind(kind) {
        const plugins::ParameterTable defaults;
        for (plugins::ParamIndex id = 0; id < plugins::kParameterSlots; ++id) {
            parameters[id] = defaults.get(id);
        }
    }

    plugins::ModuleKind kind() const override { return moduleKind; }
    std::string_view displayName() const override { return plugins::displayName(moduleKind); }
    double parameter(plugins::ParamIndex id) const override {
        ++parameterReads;
        return id < plugins::kParameterSlots ? parameters[id] : 0.0;
    }
    std::optional<std::int32_t> audioInputChannels(std::int32_t bus) const override {
        if (bus < 0 || static_cast<std::size_t>(bus) >= inputBuses.size()) {
            return std::nullopt;
        }
        return inputBuses[static_cast<std::size_t>(bus)];
    }
    plugins::MeterSnapshot meterSnapshot() const override {
        ++snapshotReads;
        return snapshot;
    }
    std::string statusLine() const override { return status; }
    std::optional<double> recordingSecondsLeft() const override { return secondsLeft; }
    void readLatestClip(const std::function<void(const plugins::AudioClip&)>& read) const override {
        read(clip);
    }

    void set(plugins::ParamIndex id, double value) { parameters.at(id) = value; }

    plugins::ModuleKind moduleKind;
    std::array<double, plugins::kParameterSlots> parameters{};
    std::vector<std::int32_t> inputBuses; // channel count of each audio input bus
    plugins::MeterSnapshot snapshot;
    std::string status;
    std::optional<double> secondsLeft;
    plugins::AudioClip clip;
    mutable int snapshotReads = 0;
    mutable int parameterReads = 0;
};

} // namespace quillwave::test
