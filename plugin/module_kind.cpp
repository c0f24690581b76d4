#include "plugin/module_kind.h"

namespace quillwave::plugins {

std::string_view displayName(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::Input:
        return "QUILLWAVE INPUT";
    case ModuleKind::Output:
        return "QUILLWAVE OUTPUT";
    case ModuleKind::Summing:
        return "QUILLWAVE SUMMING";
    case ModuleKind::Breakout:
        return "QUILLWAVE BREAKOUT";
    case ModuleKind::Player:
        return "QUILLWAVE PLAYER";
    case ModuleKind::Recorder:
        return "QUILLWAVE RECORDER";
    case ModuleKind::Distributor:
        return "QUILLWAVE DISTRIBUTOR";
    case ModuleKind::FaderBank:
        break;
    }
    return "QUILLWAVE FADER BANK";
}

} // namespace quillwave::plugins
