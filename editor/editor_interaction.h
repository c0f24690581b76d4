#pragma once

// Left-button handling of the editor: what a press at a point does on each page, how a fader
// drag maps mouse movement to a value, and the file button's dialog. Plain coordinates in, edits
// and dialogs out; the window layer delivers the events and repaints after each of them.

#include "editor/editor_controls.h"
#include "editor/user_dialogs.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillwave::plugins {

// A fader drag in progress. Relative to its start: the value follows the mouse with the fader's
// own scale wherever the mouse goes.
struct FaderDrag {
    std::int32_t strip = -1; // strip whose fader is dragged, -1 for none
    bool gain = false;       // the output gain fader is dragged
    double startValue = 0.0; // normalized value when the drag began
    double startPos = 0.0;   // y of a strip drag, x of a gain drag, when it began

    bool active() const { return strip >= 0 || gain; }
    ParamIndex parameter() const;
};

class EditorInteraction {
public:
    // Both must outlive the interaction.
    EditorInteraction(EditorControls& module, UserDialogs& dialogs)
        : module_(module), dialogs_(dialogs) {}

    // A left-button press at design coordinates: ends a drag still going, then performs the
    // action of the control under the point, if any. True when it began a fader drag, for which
    // the window takes the mouse capture.
    bool onMouseDown(int x, int y);

    // A mouse move with the left button held: one change of the dragged fader, if any, within
    // the gesture its press began.
    void updateDrag(int x, int y);

    // Button release, capture loss, or the window going or being hidden: ends the drag's
    // gesture, if any.
    void endDrag();

    // The file button: asks for a WAV file and hands it to the module, reporting a refusal.
    // True when the module took the file before this returned; a dialog that answers later
    // hands its file over then.
    bool chooseFileFromDialog();

    const FaderDrag& drag() const { return drag_; }

    // The fader bank's page of eight strips; the painter clamps it to the last page.
    std::uint32_t& bankPage() { return bankPage_; }
    std::uint32_t bankPage() const { return bankPage_; }

private:
    bool pressStripPage(int x, int y);
    bool pressGainPage(int x, int y);
    void pressTransportPage(int x, int y);
    bool takeChosenFile(const std::optional<std::u16string>& path);
    void requestRun();
    // Steps a parameter of 0..range seconds by step seconds, within minimum..range.
    void stepSeconds(ParamIndex id, double range, double step, double minimum);
    // Switches an On/Off parameter to the other state.
    void toggle(ParamIndex id);
    void beginDrag(FaderDrag drag, int x, int y);
    void changeStripCount(int delta);

    EditorControls& module_;
    UserDialogs& dialogs_;
    FaderDrag drag_;
    std::uint32_t bankPage_ = 0;
};

} // namespace quillwave::plugins
