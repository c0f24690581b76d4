#pragma once

// Mouse handling wired to a live module as the editor window wires it, with a logging host and
// scripted dialogs in place of the system's.

#include "editor/editor_interaction.h"
#include "editor/plugin_editor_controls.h"
#include "host_edit_log.h"
#include "scripted_dialogs.h"

namespace quillwave::test {

class EditorProbe {
public:
    explicit EditorProbe(plugins::UtilityPlugin& plugin)
        : plugin(plugin), host(plugin), controls(plugin), interaction(controls, dialogs) {}

    // A press and release at one point; true when the press began a drag.
    bool click(int x, int y) {
        const bool dragging = interaction.onMouseDown(x, y);
        interaction.endDrag();
        return dragging;
    }

    // Sets a parameter the way automation would, without any host edit.
    void preset(plugins::ParamIndex id, double value) { plugin.setTableValue(id, value); }
    double value(plugins::ParamIndex id) const { return plugin.table().get(id); }

    // The edits since the last call, each checked as a complete triple.
    std::vector<Edit> takeEdits() {
        auto edits = completeEdits(host);
        host.clear();
        return edits;
    }

    plugins::UtilityPlugin& plugin;
    HostEditLog host;
    ScriptedDialogs dialogs;
    plugins::PluginEditorControls controls;
    plugins::EditorInteraction interaction;
};

} // namespace quillwave::test
