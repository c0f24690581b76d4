// Buses, arrangements and processing setup as the host negotiates them.

#include "support/plugin_instance.h"
#include "support/vst_strings.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quillwave::plugins;
using namespace Steinberg;
using quillwave::test::makePlugin;
using quillwave::test::narrow;

namespace {

constexpr Vst::SpeakerArrangement kMono = Vst::SpeakerArr::kMono;
constexpr Vst::SpeakerArrangement kStereo = Vst::SpeakerArr::kStereo;
constexpr Vst::SpeakerArrangement k51 = Vst::SpeakerArr::k51;

Vst::SpeakerArrangement channels(int n) {
    return n >= 64 ? ~Vst::SpeakerArrangement{0} : (Vst::SpeakerArrangement{1} << n) - 1;
}

Vst::BusInfo busInfo(UtilityPlugin& p, Vst::MediaType type, Vst::BusDirection dir, int32 index) {
    Vst::BusInfo info{};
    EXPECT_EQ(p.getBusInfo(type, dir, index, info), kResultTrue);
    return info;
}

tresult arrange(UtilityPlugin& p, std::vector<Vst::SpeakerArrangement> ins,
                std::vector<Vst::SpeakerArrangement> outs) {
    return p.setBusArrangements(ins.data(), static_cast<int32>(ins.size()), outs.data(),
                                static_cast<int32>(outs.size()));
}

Vst::ProcessSetup setup(int32 block, double rate, int32 size = Vst::kSample32) {
    return Vst::ProcessSetup{Vst::kRealtime, size, block, rate};
}

TEST(BusLayout, DeclaredBusesOfEachKind) {
    struct Row {
        ModuleKind kind;
        int32 ins, outs, eventIns, eventOuts;
    };
    for (const Row row :
         {Row{ModuleKind::Input, 1, 1, 0, 0}, Row{ModuleKind::Summing, 64, 1, 0, 0},
          Row{ModuleKind::Breakout, 1, 64, 0, 0}, Row{ModuleKind::Player, 0, 1, 0, 1},
          Row{ModuleKind::Recorder, 1, 1, 1, 0}, Row{ModuleKind::FaderBank, 64, 64, 0, 0},
          Row{ModuleKind::Distributor, 1, 64, 0, 0}}) {
        SCOPED_TRACE(static_cast<int>(row.kind));
        auto p = makePlugin(row.kind);
        EXPECT_EQ(p->getBusCount(Vst::kAudio, Vst::kInput), row.ins);
        EXPECT_EQ(p->getBusCount(Vst::kAudio, Vst::kOutput), row.outs);
        EXPECT_EQ(p->getBusCount(Vst::kEvent, Vst::kInput), row.eventIns);
        EXPECT_EQ(p->getBusCount(Vst::kEvent, Vst::kOutput), row.eventOuts);
    }

    auto bank = makePlugin(ModuleKind::FaderBank);
    Vst::BusInfo first = busInfo(*bank, Vst::kAudio, Vst::kInput, 0);
    EXPECT_EQ(narrow(first.name), "Input 1");
    EXPECT_EQ(first.busType, Vst::kMain);
    EXPECT_EQ(first.flags, static_cast<uint32>(Vst::BusInfo::kDefaultActive));
    EXPECT_EQ(first.channelCount, 2);
    Vst::BusInfo last = busInfo(*bank, Vst::kAudio, Vst::kOutput, 63);
    EXPECT_EQ(narrow(last.name), "Output 64");
    EXPECT_EQ(last.busType, Vst::kAux);
    EXPECT_EQ(last.flags, 0u);

    auto breakout = makePlugin(ModuleKind::Breakout);
    EXPECT_EQ(busInfo(*breakout, Vst::kAudio, Vst::kOutput, 5).channelCount, 1);

    auto player = makePlugin(ModuleKind::Player);
    Vst::BusInfo sync = busInfo(*player, Vst::kEvent, Vst::kOutput, 0);
    EXPECT_EQ(narrow(sync.name), "Player Sync");
    EXPECT_EQ(sync.channelCount, 1);
    auto recorder = makePlugin(ModuleKind::Recorder);
    EXPECT_EQ(narrow(busInfo(*recorder, Vst::kEvent, Vst::kInput, 0).name), "Recorder Sync");

    Vst::BusInfo info{};
    EXPECT_EQ(recorder->getBusInfo(Vst::kAudio, Vst::kInput, 1, info), kInvalidArgument);
    EXPECT_EQ(recorder->getBusInfo(Vst::kAudio, Vst::kInput, -1, info), kInvalidArgument);
    EXPECT_EQ(recorder->getBusInfo(Vst::kAudio, 7, 0, info), kInvalidArgument);
    EXPECT_EQ(recorder->activateBus(Vst::kAudio, Vst::kOutput, 3, true), kInvalidArgument);
}

TEST(BusLayout, ArrangementsAcceptedAndRefused) {
    auto recorder = makePlugin(ModuleKind::Recorder);
    EXPECT_EQ(arrange(*recorder, {channels(64)}, {channels(64)}), kResultOk);
    EXPECT_EQ(recorder->inputBusChannels(), 64);
    EXPECT_EQ(arrange(*recorder, {kMono}, {k51}), kResultOk);
    EXPECT_EQ(recorder->inputBusChannels(), 1);
    EXPECT_EQ(arrange(*recorder, {0}, {kStereo}), kResultFalse);
    EXPECT_EQ(arrange(*recorder, {kStereo}, {}), kResultFalse);
    EXPECT_EQ(recorder->setBusArrangements(nullptr, 1, nullptr, 1), kResultFalse);
    EXPECT_EQ(recorder->setBusArrangements(nullptr, -1, nullptr, 0), kResultFalse);
    // Refusals left the last accepted arrangement in place.
    Vst::SpeakerArrangement arr = 0;
    ASSERT_EQ(recorder->getBusArrangement(Vst::kInput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, kMono);
    EXPECT_EQ(recorder->getBusArrangement(Vst::kInput, 1, arr), kInvalidArgument);
    EXPECT_EQ(recorder->getBusArrangement(2, 0, arr), kInvalidArgument);
    EXPECT_EQ(recorder->getBusArrangement(Vst::kOutput, -1, arr), kInvalidArgument);

    auto breakout = makePlugin(ModuleKind::Breakout);
    std::vector<Vst::SpeakerArrangement> monos(64, kMono);
    EXPECT_EQ(arrange(*breakout, {k51}, monos), kResultOk);
    monos[17] = kStereo;
    EXPECT_EQ(arrange(*breakout, {k51}, monos), kResultFalse);

    auto summing = makePlugin(ModuleKind::Summing);
    EXPECT_EQ(arrange(*summing, std::vector<Vst::SpeakerArrangement>(63, kStereo), {kStereo}),
              kResultFalse);
    std::vector<Vst::SpeakerArrangement> ins(64, kStereo);
    EXPECT_EQ(arrange(*summing, ins, {kStereo}), kResultOk);
    ins[3] = k51;
    EXPECT_EQ(arrange(*summing, ins, {kStereo}), kResultFalse);

    auto bank = makePlugin(ModuleKind::FaderBank);
    std::vector<Vst::SpeakerArrangement> bankIns(64, kStereo), bankOuts(64, kStereo);
    bankOuts[4] = kMono;
    EXPECT_EQ(arrange(*bank, bankIns, bankOuts), kResultFalse);
    bankIns[4] = kMono;
    EXPECT_EQ(arrange(*bank, bankIns, bankOuts), kResultOk);
    ASSERT_EQ(bank->getBusArrangement(Vst::kOutput, 4, arr), kResultTrue);
    EXPECT_EQ(arr, kMono);
    ASSERT_EQ(bank->getBusArrangement(Vst::kOutput, 5, arr), kResultTrue);
    EXPECT_EQ(arr, kStereo);
}

TEST(BusLayout, NoArrangementChangeWhileProcessing) {
    auto recorder = makePlugin(ModuleKind::Recorder);
    EXPECT_EQ(recorder->setProcessing(true), kResultOk);
    EXPECT_EQ(arrange(*recorder, {kStereo}, {kStereo}), kResultFalse);
    EXPECT_EQ(recorder->setProcessing(false), kResultOk);
    EXPECT_EQ(arrange(*recorder, {kStereo}, {kStereo}), kResultOk);
}

TEST(BusLayout, NoArrangementWithoutDeclaredBuses) {
    for (ModuleKind kind : quillwave::test::kAllKinds) {
        auto p = makePlugin(kind, false);
        EXPECT_EQ(arrange(*p, {}, {}), kResultFalse) << static_cast<int>(kind);
        ASSERT_EQ(p->initialize(nullptr), kResultOk);
        ASSERT_EQ(p->terminate(), kResultOk);
        EXPECT_EQ(arrange(*p, {}, {}), kResultFalse) << static_cast<int>(kind);
    }
}

TEST(BusLayout, ProcessingSetupLimits) {
    auto p = makePlugin(ModuleKind::Recorder);
    EXPECT_EQ(p->canProcessSampleSize(Vst::kSample32), kResultOk);
    EXPECT_EQ(p->canProcessSampleSize(Vst::kSample64), kResultOk);
    EXPECT_EQ(p->canProcessSampleSize(2), kResultFalse);
    EXPECT_EQ(p->getProcessContextRequirements(), 0x402u);
    EXPECT_EQ(p->getLatencySamples(), 0u);
    EXPECT_EQ(p->getTailSamples(), 0u);

    for (auto bad : {setup(0, 48000), setup(65537, 48000), setup(512, 7999.999),
                     setup(512, 384000.001), setup(512, 48000, 2), setup(-5, 48000)}) {
        EXPECT_EQ(p->setupProcessing(bad), kInvalidArgument);
    }
    EXPECT_EQ(p->sampleRate(), 48000.0);
    EXPECT_EQ(p->maxBlockSize(), 512);

    auto low = setup(1, 8000);
    EXPECT_EQ(p->setupProcessing(low), kResultOk);
    EXPECT_EQ(p->maxBlockSize(), 1);
    auto high = setup(65536, 384000, Vst::kSample64);
    EXPECT_EQ(p->setupProcessing(high), kResultOk);
    EXPECT_EQ(p->maxBlockSize(), 65536);
    EXPECT_EQ(p->sampleRate(), 384000.0);
    EXPECT_EQ(p->publishedSampleRate(), 384000.0);
}

TEST(BusLayout, StoppingProcessingClearsPlayRecord) {
    auto p = makePlugin(ModuleKind::Recorder);
    p->setParamNormalized(3, 1.0);
    p->setProcessing(true);
    EXPECT_EQ(p->getParamNormalized(3), 1.0);
    p->setProcessing(false);
    EXPECT_EQ(p->getParamNormalized(3), 0.0);
}

} // namespace
