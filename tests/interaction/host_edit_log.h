#pragma once

// A host's component handler that keeps every edit call, and what the module's parameter table
// held at that moment, so a test can check that each edit is one begin/perform/end triple that
// reached the module before the host heard of the value.

#include "plugin/utility_plugin.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillwave::test {

using namespace Steinberg;

class HostEditLog final : public Vst::IComponentHandler {
public:
    enum class Call { Begin, Perform, End };
    struct Entry {
        Call call;
        Vst::ParamID id;
        double value;      // performEdit only
        double tableValue; // the module's table at the call
    };

    // Hands itself to plugin as its component handler, and takes itself back at the end.
    explicit HostEditLog(plugins::UtilityPlugin& plugin) : plugin_(plugin) {
        plugin_.setComponentHandler(this);
    }
    ~HostEditLog() { plugin_.setComponentHandler(nullptr); }
    HostEditLog(const HostEditLog&) = delete;
    HostEditLog& operator=(const HostEditLog&) = delete;

    tresult PLUGIN_API beginEdit(Vst::ParamID id) override { return add(Call::Begin, id, 0.0); }
    tresult PLUGIN_API performEdit(Vst::ParamID id, Vst::ParamValue value) override {
        return add(Call::Perform, id, value);
    }
    tresult PLUGIN_API endEdit(Vst::ParamID id) override { return add(Call::End, id, 0.0); }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    const std::vector<Entry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

private:
    tresult add(Call call, Vst::ParamID id, double value) {
        entries_.push_back({call, id, value, plugin_.table().get(id)});
        return kResultOk;
    }

    plugins::UtilityPlugin& plugin_;
    std::vector<Entry> entries_;
};

struct Edit {
    Vst::ParamID id;
    double value;
    bool operator==(const Edit&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Edit& edit) {
    return out << "{" << edit.id << ", " << edit.value << "}";
}

// The edits of the log, each checked to be a complete begin/perform/end triple for one id whose
// value was already in the table when the host was told.
inline std::vector<Edit> completeEdits(const HostEditLog& log) {
    std::vector<Edit> edits;
    const auto& entries = log.entries();
    EXPECT_EQ(entries.size() % 3, 0u) << "an edit is not a complete triple";
    for (std::size_t i = 0; i + 2 < entries.size(); i += 3) {
        const auto& begin = entries[i];
        const auto& perform = entries[i + 1];
        const auto& end = entries[i + 2];
        EXPECT_EQ(begin.call, HostEditLog::Call::Begin) << "entry " << i;
        EXPECT_EQ(perform.call, HostEditLog::Call::Perform) << "entry " << i + 1;
        EXPECT_EQ(end.call, HostEditLog::Call::End) << "entry " << i + 2;
        EXPECT_TRUE(begin.id == perform.id && perform.id == end.id) << "entry " << i;
        EXPECT_EQ(perform.tableValue, perform.value)
            << "the table lags the host, id " << perform.id;
        edits.push_back({perform.id, perform.value});
    }
    return edits;
}

// One drag as the host sees it: the id of its beginEdit and the values of its performEdits,
// checked to be one beginEdit, then performEdits of that id only, then one endEdit.
struct Gesture {
    Vst::ParamID id;
    std::vector<double> values;
};

inline Gesture oneGesture(const HostEditLog& log) {
    const auto& entries = log.entries();
    Gesture gesture{entries.empty() ? Vst::ParamID{0} : entries.front().id, {}};
    EXPECT_GE(entries.size(), 2u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        const auto expected = i == 0                    ? HostEditLog::Call::Begin
                              : i + 1 == entries.size() ? HostEditLog::Call::End
                                                        : HostEditLog::Call::Perform;
        EXPECT_EQ(entry.call, expected) << "entry " << i;
        EXPECT_EQ(entry.id, gesture.id) << "entry " << i;
        if (entry.call == HostEditLog::Call::Perform) {
            EXPECT_EQ(entry.tableValue, entry.value) << "the table lags the host";
            gesture.values.push_back(entry.value);
        }
    }
    return gesture;
}

// The window tests' drag of strip 0's fader from 0: up 187 px, above the window, then back to
// 93 px above its start, as one gesture.
inline void expectStripDragUpAndBack(const HostEditLog& log) {
    const Gesture drag = oneGesture(log);
    EXPECT_EQ(drag.id, 100u);
    ASSERT_EQ(drag.values.size(), 4u);
    EXPECT_EQ(drag.values[0], 0.0);
    EXPECT_EQ(drag.values[1], 1.0);
    EXPECT_EQ(drag.values[2], 1.0);
    EXPECT_DOUBLE_EQ(drag.values[3], 93.0 / 187.0);
}

} // namespace quillwave::test
