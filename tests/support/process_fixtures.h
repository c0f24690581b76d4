#pragma once

// Real, minimal implementations of the host side of a process call: parameter changes with their
// value queues, event lists, and buffers for every bus. Fixed capacity and preallocated, so a test
// can count heap allocations inside process.

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillwave::test {

using namespace Steinberg;

// Objects here live on the test's stack or in its fixtures: reference counting is a no-op.
#define QW_NO_REFCOUNT                                                                             \
    uint32 PLUGIN_API addRef() override {                                                          \
        return 1;                                                                                  \
    }                                                                                              \
    uint32 PLUGIN_API release() override {                                                         \
        return 1;                                                                                  \
    }

class ValueQueue final : public Vst::IParamValueQueue {
public:
    explicit ValueQueue(Vst::ParamID id = 0) : id_(id) { points_.reserve(8192); }
    void add(int32 offset, double value) { points_.push_back({offset, value}); }

    Vst::ParamID PLUGIN_API getParameterId() override { return id_; }
    int32 PLUGIN_API getPointCount() override { return static_cast<int32>(points_.size()); }
    tresult PLUGIN_API getPoint(int32 index, int32& offset, Vst::ParamValue& value) override {
        if (index < 0 || index >= getPointCount()) {
            return kResultFalse;
        }
        offset = points_[static_cast<std::size_t>(index)].offset;
        value = points_[static_cast<std::size_t>(index)].value;
        return kResultOk;
    }
    tresult PLUGIN_API addPoint(int32 offset, Vst::ParamValue value, int32& index) override {
        index = getPointCount();
        add(offset, value);
        return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    QW_NO_REFCOUNT

private:
    struct Point {
        int32 offset;
        double value;
    };
    Vst::ParamID id_;
    std::vector<Point> points_;
};

class ParameterChanges final : public Vst::IParameterChanges {
public:
    ParameterChanges() { queues_.reserve(1024); }
    ValueQueue& queue(Vst::ParamID id) {
        queues_.emplace_back(id);
        return queues_.back();
    }
    void clear() { queues_.clear(); }

    int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(queues_.size()); }
    Vst::IParamValueQueue* PLUGIN_API getParameterData(int32 index) override {
        return index >= 0 && index < getParameterCount() ? &queues_[static_cast<std::size_t>(index)]
                                                         : nullptr;
    }
    Vst::IParamValueQueue* PLUGIN_API addParameterData(const Vst::ParamID& id,
                                                       int32& index) override {
        index = getParameterCount();
        return &queue(id);
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    QW_NO_REFCOUNT

private:
    std::vector<ValueQueue> queues_;
};

class EventList final : public Vst::IEventList {
public:
    EventList() { events_.reserve(8192); }
    void clear() { events_.clear(); }
    const std::vector<Vst::Event>& events() const { return events_; }

    int32 PLUGIN_API getEventCount() override { return static_cast<int32>(events_.size()); }
    tresult PLUGIN_API getEvent(int32 index, Vst::Event& e) override {
        if (index < 0 || index >= getEventCount()) {
            return kResultFalse;
        }
        e = events_[static_cast<std::size_t>(index)];
        return kResultOk;
    }
    tresult PLUGIN_API addEvent(Vst::Event& e) override {
        if (events_.size() == events_.capacity()) {
            return kResultFalse; // never grow inside process
        }
        events_.push_back(e);
        return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    QW_NO_REFCOUNT

private:
    std::vector<Vst::Event> events_;
};

#undef QW_NO_REFCOUNT

// Buffers of one bus in both sample sizes; channel pointers can be nulled for tests.
struct BusBuffers {
    std::vector<std::vector<float>> data32;
    std::vector<std::vector<double>> data64;
    std::vector<float*> ptr32;
    std::vector<double*> ptr64;

    BusBuffers(int channels, int frames)
        : data32(static_cast<std::size_t>(channels),
                 std::vector<float>(static_cast<std::size_t>(frames))),
          data64(static_cast<std::size_t>(channels),
                 std::vector<double>(static_cast<std::size_t>(frames))) {
        for (auto& c : data32) {
            ptr32.push_back(c.data());
        }
        for (auto& c : data64) {
            ptr64.push_back(c.data());
        }
    }
    int channels() const { return static_cast<int>(data32.size()); }
    Vst::AudioBusBuffers view(bool wide) {
        Vst::AudioBusBuffers bus{};
        bus.numChannels = channels();
        bus.silenceFlags = 0;
        if (wide) {
            bus.channelBuffers64 = ptr64.data();
        } else {
            bus.channelBuffers32 = ptr32.data();
        }
        return bus;
    }
};

// A SysEx data event over bytes the caller keeps alive.
inline Vst::Event sysExEvent(int32 offset, const std::uint8_t* bytes, uint32 size) {
    Vst::Event e{};
    e.type = Vst::Event::kDataEvent;
    e.sampleOffset = offset;
    e.data.type = Vst::DataEvent::kMidiSysEx;
    e.data.size = size;
    e.data.bytes = bytes;
    return e;
}

} // namespace quillwave::test
