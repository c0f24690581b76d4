#pragma once

// Streams for driving the module's saved state: framed bytes in memory, and a stream whose
// writes fail or stop short.

#include "plugin/utility_plugin.h"

#include "public.sdk/source/common/memorystream.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillwave::test {

using namespace Steinberg;

// The component side of a module: its getState/setState share their names with the controller's.
inline Vst::IComponent& componentOf(plugins::UtilityPlugin& plugin) {
    return plugin;
}

// Reads what a MemoryStream holds, from its start to its end.
inline std::string streamBytes(MemoryStream& stream) {
    return {stream.getData(), static_cast<std::size_t>(stream.getSize())};
}

// A memory stream holding bytes, positioned at their start.
class BytesStream : public MemoryStream {
public:
    explicit BytesStream(std::string_view bytes) {
        int32 written = 0;
        write(const_cast<char*>(bytes.data()), static_cast<int32>(bytes.size()), &written);
        seek(0, kIBSeekSet, nullptr);
    }
};

// The four-byte little-endian count followed by text; count defaults to the text's length.
inline std::string framed(std::string_view text, std::int64_t count = -1) {
    const auto n =
        static_cast<std::uint32_t>(count < 0 ? static_cast<std::int64_t>(text.size()) : count);
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    }
    bytes.append(text);
    return bytes;
}

// Takes at most `capacity` bytes in all; a write that does not fit is cut short (or refused with
// kResultFalse when `refuse` is set).
class LimitedStream : public IBStream {
public:
    LimitedStream(std::size_t capacity, bool refuse) : capacity_(capacity), refuse_(refuse) {}

    tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override {
        const std::size_t room = capacity_ - data.size();
        const std::size_t n = std::min(room, static_cast<std::size_t>(numBytes));
        if (refuse_ && n < static_cast<std::size_t>(numBytes)) {
            if (numBytesWritten) {
                *numBytesWritten = 0;
            }
            return kResultFalse;
        }
        data.append(static_cast<const char*>(buffer), n);
        if (numBytesWritten) {
            *numBytesWritten = static_cast<int32>(n);
        }
        return kResultOk;
    }
    tresult PLUGIN_API read(void*, int32, int32* numBytesRead) override {
        if (numBytesRead) {
            *numBytesRead = 0;
        }
        return kResultFalse;
    }
    tresult PLUGIN_API seek(int64, int32, int64*) override { return kResultFalse; }
    tresult PLUGIN_API tell(int64* pos) override {
        if (pos) {
            *pos = static_cast<int64>(data.size());
        }
        return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    std::string data;

private:
    std::size_t capacity_;
    bool refuse_;
};

} // namespace quillwave::test
