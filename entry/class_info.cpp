#include "entry/class_info.h"

#include "pluginterfaces/base/funknown.h"

#include <cstring>

namespace quillwave::entry {
namespace {

// Copies text into a fixed field, cut at its width; the rest stays zero.
template <std::size_t N> void copyField(Steinberg::char8 (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}

} // namespace

Steinberg::PFactoryInfo factoryInfo() {
    return Steinberg::PFactoryInfo("QUILLWAVE", "https://www.quillwave.audio",
                                   "mailto:support@quillwave.audio",
                                   Steinberg::PFactoryInfo::kUnicode);
}

Steinberg::PClassInfo2 recorderClassInfo() {
    Steinberg::PClassInfo2 info;
    const Steinberg::FUID cid(kRecorderClassId[0], kRecorderClassId[1], kRecorderClassId[2],
                              kRecorderClassId[3]);
    std::memcpy(info.cid, cid.toTUID(), sizeof(Steinberg::TUID));
    info.cardinality = Steinberg::PClassInfo::kManyInstances;
    copyField(info.category, "Audio Module Class");
    copyField(info.name, "QUILLWAVE RECORDER");
    info.classFlags = 0;
    copyField(info.subCategories, "Fx|Tools");
    copyField(info.vendor, "");
    copyField(info.version, "0.1.0-beta.2");
    copyField(info.sdkVersion, "VST 3.8.1");
    return info;
}

} // namespace quillwave::entry
