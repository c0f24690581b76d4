#pragma once

// The host's side of automation for one block: a few parameters, each with its points.

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <vector>

namespace quillwave::host {

// Objects here live on the host's stack for one process call: reference counts are not kept.
class PointQueue : public Steinberg::Vst::IParamValueQueue {
public:
    explicit PointQueue(Steinberg::Vst::ParamID id) : id_(id) {}

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id_; }
    Steinberg::int32 PLUGIN_API getPointCount() override {
        return static_cast<Steinberg::int32>(points_.size());
    }
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& offset,
                                           Steinberg::Vst::ParamValue& value) override {
        if (index < 0 || index >= getPointCount()) {
            return Steinberg::kResultFalse;
        }
        offset = points_[static_cast<std::size_t>(index)].offset;
        value = points_[static_cast<std::size_t>(index)].value;
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 offset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override {
        index = getPointCount();
        points_.push_back({offset, value});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** obj) override {
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    struct Point {
        Steinberg::int32 offset;
        Steinberg::Vst::ParamValue value;
    };
    Steinberg::Vst::ParamID id_;
    std::vector<Point> points_;
};

class BlockParameterChanges : public Steinberg::Vst::IParameterChanges {
public:
    // Reserved up front: queues handed out by pointer must not move.
    BlockParameterChanges() { queues_.reserve(16); }

    Steinberg::int32 PLUGIN_API getParameterCount() override {
        return static_cast<Steinberg::int32>(queues_.size());
    }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override {
        return index >= 0 && index < getParameterCount() ? &queues_[static_cast<std::size_t>(index)]
                                                         : nullptr;
    }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API
    addParameterData(const Steinberg::Vst::ParamID& id, Steinberg::int32& index) override {
        for (std::size_t i = 0; i < queues_.size(); ++i) {
            if (queues_[i].getParameterId() == id) {
                index = static_cast<Steinberg::int32>(i);
                return &queues_[i];
            }
        }
        if (queues_.size() == queues_.capacity()) {
            return nullptr;
        }
        index = getParameterCount();
        queues_.emplace_back(id);
        return &queues_.back();
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** obj) override {
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

    void clear() { queues_.clear(); }

private:
    std::vector<PointQueue> queues_;
};

} // namespace quillwave::host
