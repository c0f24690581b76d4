#pragma once

// A host's content scale, given the way hosts give it.

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace quillwave::test {

using namespace Steinberg;

inline tresult scaleBy(IPlugView* view, float factor) {
    FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
    return scaling ? scaling->setContentScaleFactor(factor) : kNoInterface;
}

} // namespace quillwave::test
