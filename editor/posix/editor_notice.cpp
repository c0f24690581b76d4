#include "editor/posix/editor_notice.h"

#include "editor/draw_elements.h"
#include "editor/palette.h"

namespace quillwave::plugins {

void paintNotice(const EditorNotice& notice, DrawingSurface& surface) {
    const Rect p = kNoticePanel;
    const Rgb edge = notice.severity == MessageSeverity::Error         ? palette::kStateDiskError
                     : notice.severity == MessageSeverity::Information ? palette::kAccent
                                                                       : palette::kHeaderSeparator;
    surface.fillBox({p.left - 3, p.top - 3, p.right + 3, p.bottom + 3}, edge);
    surface.fillBox(p, palette::kHeaderBand);
    surface.drawLabel({p.left + 24, p.top + 16, p.right - 24, p.top + 50}, notice.caption,
                      palette::kPrimaryText, 19, FontWeight::Semibold, TextPlacement::Left);
    surface.drawLine(p.left + 24, p.top + 56, p.right - 24, p.top + 56, palette::kHeaderSeparator,
                     1);
    surface.drawLabel({p.left + 24, p.top + 70, p.right - 24, kNoticeButton.top - 8}, notice.text,
                      palette::kPrimaryText, 16, FontWeight::Normal, TextPlacement::Wrap);
    drawButton(surface, kNoticeButton, u"OK", false);
}

} // namespace quillwave::plugins
