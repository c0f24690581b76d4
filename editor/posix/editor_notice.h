#pragma once

// A message drawn inside the editor, for a desktop without any helper that could show a message
// box: a panel over the page that the next click anywhere in the editor takes away.

#include "editor/drawing_surface.h"
#include "editor/user_dialogs.h"

#include <optional>
#include <string>

namespace quillwave::plugins {

struct EditorNotice {
    std::u16string caption;
    std::u16string text;
    MessageSeverity severity = MessageSeverity::Plain;
};

// Where the panel sits; its "OK" button is drawn at the bottom right.
inline constexpr Rect kNoticePanel{160, 170, 800, 410};
inline constexpr Rect kNoticeButton{680, 356, 780, 394};

void paintNotice(const EditorNotice& notice, DrawingSurface& surface);

// Holds the notice that is shown, if any.
class NoticeBoard {
public:
    void post(EditorNotice notice) { notice_ = std::move(notice); }
    // True when a notice was shown and is now taken away.
    bool dismiss() {
        const bool shown = notice_.has_value();
        notice_.reset();
        return shown;
    }
    const std::optional<EditorNotice>& current() const { return notice_; }

private:
    std::optional<EditorNotice> notice_;
};

} // namespace quillwave::plugins
