#pragma once

#include "pluginterfaces/base/ipluginbase.h"

namespace quillwave::entry {

// Hosts store the class id with their projects: it must never change.
inline constexpr Steinberg::uint32 kRecorderClassId[4] = {0x7A3C51D2, 0x4E8B4F0A, 0x9C61B2E4,
                                                          0x51574B06};

Steinberg::PFactoryInfo factoryInfo();
Steinberg::PClassInfo2 recorderClassInfo();

} // namespace quillwave::entry
