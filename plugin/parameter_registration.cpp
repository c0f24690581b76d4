#include "plugin/utility_plugin.h"
#include "plugin/vst_text.h"

#include "public.sdk/source/vst/vstparameters.h"

#include <cmath>
#include <string>

namespace quillwave::plugins {
namespace {

using Steinberg::Vst::ParameterInfo;

constexpr double kGainMinDb = -90.0;
constexpr double kGainMaxDb = 12.0;

// Every parameter is automatable, in the root unit, without a short title.
void addRange(Vst::ParameterContainer& container, std::string_view title, Vst::ParamID id,
              const Vst::TChar* units, double minPlain, double maxPlain, double defaultPlain,
              int32 stepCount) {
    const VstString t = vstText(title);
    container.addParameter(new Vst::RangeParameter(t.c_str(), id, units, minPlain, maxPlain,
                                                   defaultPlain, stepCount,
                                                   ParameterInfo::kCanAutomate));
}

void addToggle(Vst::ParameterContainer& container, std::string_view title, Vst::ParamID id,
               double defaultNormalized) {
    const VstString t = vstText(title);
    container.addParameter(new Vst::Parameter(t.c_str(), id, nullptr, defaultNormalized, 1,
                                              ParameterInfo::kCanAutomate));
}

bool hasMasterGain(ModuleKind kind) {
    return kind != ModuleKind::Player && kind != ModuleKind::Recorder &&
           kind != ModuleKind::FaderBank;
}

bool hasActiveStrips(ModuleKind kind) {
    return kind == ModuleKind::Summing || kind == ModuleKind::Breakout ||
           kind == ModuleKind::FaderBank || kind == ModuleKind::Distributor;
}

} // namespace

void UtilityPlugin::registerParameters() {
    if (hasActiveStrips(kind_)) {
        addRange(parameters, "Active strips / branches", ParamId::ActiveStrips, nullptr, 1, 64, 8,
                 63);
    }
    if (hasMasterGain(kind_)) {
        addRange(parameters, "Gain", ParamId::Gain, STR16("dB"), kGainMinDb, kGainMaxDb, 0, 0);
    }
    if (kind_ == ModuleKind::Player || kind_ == ModuleKind::Recorder) {
        addToggle(parameters, "Follow DAW transport", ParamId::FollowTransport, 1.0);
        addToggle(parameters, "Play / Record", ParamId::PlayRecord, 0.0);
    }
    if (kind_ == ModuleKind::FaderBank) {
        for (int n = 1; n <= kMaxStrips; ++n) {
            const std::string strip = "Fader " + std::to_string(n);
            addRange(parameters, strip + " gain", stripGainId(n - 1), STR16("dB"), kGainMinDb,
                     kGainMaxDb, 0, 0);
            addToggle(parameters, strip + " mute", stripMuteId(n - 1), 0.0);
        }
    }
    if (kind_ == ModuleKind::Recorder) {
        addRange(parameters, "Tail silence time", ParamId::TailSilenceTime, STR16("s"), 0, 10, 0.5,
                 0);
        addRange(parameters, "Maximum tail", ParamId::MaximumTail, STR16("s"), 0, 3600, 30, 0);
        addToggle(parameters, "New take every run", ParamId::NewTakeEveryRun, 0.0);
        addRange(parameters, "Pre-record time", ParamId::PreRecordTime, STR16("s"), 0,
                 kPreRecordRange, 0, 0);
        addToggle(parameters, "Time-stamped takes", ParamId::TimeStampedTakes, 0.0);
    }
}

Vst::ParamValue PLUGIN_API UtilityPlugin::getParamNormalized(Vst::ParamID id) {
    return table_.get(id);
}

tresult PLUGIN_API UtilityPlugin::setParamNormalized(Vst::ParamID id, Vst::ParamValue value) {
    setTableValue(id, value);
    Vst::Parameter* parameter = parameters.getParameter(id);
    if (!parameter) {
        return kResultFalse;
    }
    // A value the table refused must not reach the parameter object either.
    if (std::isfinite(value)) {
        const std::lock_guard lock(stateMutex_); // a state load may be setting it meanwhile
        parameter->setNormalized(value);
    }
    return kResultOk;
}

} // namespace quillwave::plugins
