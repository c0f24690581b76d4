// Loads saved state from arbitrary stream bytes into a recorder and a player. A refused document
// must change nothing; an accepted one must save back into a document that loads again to the
// same values. No input may crash or leak.

#include "support/plugin_instance.h"

#include "public.sdk/source/common/memorystream.h"

#include <cstdlib>
#include <cstring>

using namespace quillwave;
using namespace Steinberg;

namespace {

std::array<double, plugins::kParameterSlots> slots(plugins::UtilityPlugin& p) {
    std::array<double, plugins::kParameterSlots> values{};
    for (plugins::ParamIndex id = 0; id < plugins::kParameterSlots; ++id) {
        values[id] = p.getParamNormalized(id);
    }
    return values;
}

void check(plugins::UtilityPlugin& module, const std::uint8_t* bytes, std::size_t size) {
    const auto before = slots(module);
    const std::u16string pathBefore = module.filePath();
    IPtr<MemoryStream> stream(new MemoryStream(const_cast<std::uint8_t*>(bytes),
                                               static_cast<TSize>(size)),
                              false);
    Vst::IComponent& component = module;
    const tresult loaded = component.setState(stream);
    if (loaded != kResultOk) {
        if (slots(module) != before || module.filePath() != pathBefore) {
            std::abort(); // a refused document changed the module
        }
        return;
    }
    IPtr<MemoryStream> saved(new MemoryStream, false);
    if (component.getState(saved) != kResultOk) {
        std::abort();
    }
    const auto afterLoad = slots(module);
    saved->seek(0, IBStream::kIBSeekSet, nullptr);
    if (component.setState(saved) != kResultOk || slots(module) != afterLoad) {
        std::abort(); // what the module saves must load back to the same values
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static auto recorder = test::makePlugin(plugins::ModuleKind::Recorder);
    static auto player = test::makePlugin(plugins::ModuleKind::Player);
    check(*recorder, bytes, size);
    // A player loads the file its document names: keep it away from device and system files,
    // whose reads could block.
    if (std::memchr(bytes, '/', size) == nullptr && std::memchr(bytes, '\\', size) == nullptr) {
        check(*player, bytes, size);
    }
    return 0;
}
