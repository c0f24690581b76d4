#pragma once

#include "editor/editor_view.h"
#include "scripted_dialogs.h"

#include "pluginterfaces/gui/iplugview.h"

#include <memory>

namespace quillwave::plugins {

// A view of a module that shows its messages through scripted dialogs, in the host's frame when
// one is given.
struct ViewUnderTest {
    explicit ViewUnderTest(UtilityPlugin& plugin, IPlugFrame* frame = nullptr) {
        auto scripted = std::make_unique<test::ScriptedDialogs>();
        dialogs = scripted.get();
        view = IPtr<IPlugView>(createEditorView(plugin, "editor", std::move(scripted)), false);
        if (frame != nullptr) {
            view->setFrame(frame);
        }
    }
    IPtr<IPlugView> view;
    test::ScriptedDialogs* dialogs = nullptr; // owned by the view
};

} // namespace quillwave::plugins
