#include "editor/editor_view.h"

namespace quillwave::plugins {

Steinberg::IPlugView* createEditorView(UtilityPlugin& owner, Steinberg::FIDString name) {
    return createEditorView(owner, name, nullptr);
}

} // namespace quillwave::plugins
