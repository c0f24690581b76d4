#pragma once

// UtilityPlugin: the one plug-in class of the module family. A single-component effect whose
// ModuleKind, fixed at construction, selects its buses, parameters and signal path.

#include "dsp/block_events.h"
#include "dsp/buffer_aliasing.h"
#include "dsp/gain_state.h"
#include "dsp/input_meters.h"
#include "dsp/meter_snapshot.h"
#include "player/file_player.h"
#include "plugin/module_kind.h"
#include "plugin/parameter_table.h"
#include "recorder/disk_recorder.h"
#include "sdkext/single_component_effect.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quillwave::plugins {

using namespace Steinberg;

template <typename Sample> struct InputView;
struct StateDocument;

class UtilityPlugin : public Vst::SingleComponentEffect {
public:
    static constexpr double kDefaultSampleRate = 48000.0;
    static constexpr std::int32_t kDefaultMaxBlockSize = 512;
    static constexpr std::int32_t kMaxBlockSizeLimit = 65536;
    static constexpr double kMinSampleRate = 8000.0;
    static constexpr double kMaxSampleRate = 384000.0;
    static constexpr std::uint32_t kProcessContextNeeds =
        Vst::IProcessContextRequirements::kNeedContinousTimeSamples |
        Vst::IProcessContextRequirements::kNeedTransportState;

    // recorderAccess: how the recorder reaches the disk; tests and benchmarks substitute streams.
    explicit UtilityPlugin(ModuleKind kind, RecorderFileAccess recorderAccess = {});
    ~UtilityPlugin() override;
    UtilityPlugin(const UtilityPlugin&) = delete;
    UtilityPlugin& operator=(const UtilityPlugin&) = delete;

    ModuleKind kind() const { return kind_; }
    const ParameterTable& table() const { return table_; }

    // The validating writer of the controller side and the editor.
    void setTableValue(Vst::ParamID id, double value) { table_.set(id, value); }

    // IPluginBase
    tresult PLUGIN_API initialize(FUnknown* context) override;
    tresult PLUGIN_API terminate() override;

    // IEditController: values come from the shared table, so they include automation that the
    // audio thread applied.
    Vst::ParamValue PLUGIN_API getParamNormalized(Vst::ParamID id) override;
    tresult PLUGIN_API setParamNormalized(Vst::ParamID id, Vst::ParamValue value) override;
    // The editor for the name "editor", else null.
    IPlugView* PLUGIN_API createView(FIDString name) override;

    // IAudioProcessor
    tresult PLUGIN_API setBusArrangements(Vst::SpeakerArrangement* inputs, int32 numIns,
                                          Vst::SpeakerArrangement* outputs, int32 numOuts) override;
    tresult PLUGIN_API getBusArrangement(Vst::BusDirection dir, int32 index,
                                         Vst::SpeakerArrangement& arr) override;
    tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
    tresult PLUGIN_API setupProcessing(Vst::ProcessSetup& setup) override;
    tresult PLUGIN_API setProcessing(TBool state) override;
    tresult PLUGIN_API process(Vst::ProcessData& data) override;
    uint32 PLUGIN_API getLatencySamples() override { return 0; }
    uint32 PLUGIN_API getTailSamples() override { return 0; }

    // IComponent
    tresult PLUGIN_API setActive(TBool state) override;

    // IEditController: the controller side restores the component's document exactly as the
    // component's setState does. (Its own setState/getState stay unimplemented: the module keeps
    // all its state in that one document.)
    tresult PLUGIN_API setComponentState(IBStream* state) override;

    // The module's file interface for the editor: a new recorder destination or a file to play.
    // On failure returns false with the user-facing message in errorText; nothing changes.
    bool chooseFile(const std::u16string& path, std::string& errorText);

    // The chosen file: the player's source or the recorder's destination, which is the file the
    // next run records into once the recorder has armed it (a take name derived from it, the
    // next take's name). Host and editor threads only; a copy, since a state load may replace it
    // on another thread.
    std::u16string filePath() const;
    // The file the status line names. A recorder names the file of its armed or running take,
    // which keeps a take that a load did not redirect, or the continuation part a long take is
    // writing; filePath before any was armed.
    std::u16string statusFilePath() const;

    // Meters and recorder status for the editor; never waits.
    MeterSnapshot readMeterSnapshot() const;
    const DiskRecorder& recorder() const { return *recorder_; }
    const FilePlayer& player() const { return *player_; }
    FilePlayer& player() { return *player_; }

    // Processing settings of the last accepted setup.
    double sampleRate() const { return sampleRate_; }
    double publishedSampleRate() const { return publishedSampleRate_.load(); }
    std::int32_t maxBlockSize() const { return maxBlockSize_; }
    bool processingOn() const { return processingOn_.load(); }

    // Channel count of declared input bus 0's arrangement, 0 when there is none.
    std::int32_t inputBusChannels() const;

protected:
    // IComponent's getState/setState: the saved document (kind, path, every parameter slot).
    tresult componentGetState(IBStream* state) override;
    tresult componentSetState(IBStream* state) override;

private:
    void declareBuses();
    void registerParameters();
    bool declaredBusActive(Vst::BusDirection dir, std::int32_t index) const;

    // Argument checks of process; true when the block may be processed.
    bool acceptBlock(const Vst::ProcessData& data) const;
    void collectParameterPoints(const Vst::ProcessData& data);
    void collectSyncEvents(const Vst::ProcessData& data);
    void applyEvent(const BlockEvent& event);
    template <typename Sample> void meterBlock(const Vst::ProcessData& data);
    template <typename Sample>
    void processSubBlock(Vst::ProcessData& data, std::int32_t offset, std::int32_t length);
    template <typename Sample>
    void writeOutputs(Vst::ProcessData& data, std::int32_t offset, std::int32_t length,
                      const GainTargets& targets, const GainCall& gains);
    template <typename Sample>
    void routeOutputs(Vst::ProcessData& data, const InputView<Sample>& in, std::int32_t offset,
                      std::int32_t length, const GainTargets& targets, const GainCall& gains);
    template <typename Sample>
    void captureInput(const Vst::ProcessData& data, std::int32_t offset, std::int32_t length);
    void runPlayerAndSync(Vst::ProcessData& data, std::int32_t offset, std::int32_t length);
    void beginRecorderTail();
    // Starts the recorder's take at samplePosition_, with the host's project time there.
    void startRecorderTake();
    bool timeStampedTakes() const { return table_.get(ParamId::TimeStampedTakes) > 0.5; }
    // Arms the recorder for path as activation and loads do: keeps an armed take that still
    // serves it (same format, and path names it), else arms path, or its first free take name,
    // which the writer finds and creates. Never waits for the disk. Throws with the user-facing
    // message. Under setupMutex_ and stateMutex_.
    void armRecorder(const std::u16string& path);
    // filePath under stateMutex_.
    std::u16string currentFilePath() const;
    // Hands "New take every run" to the recorder.
    // The recorder's take settings from the table: stores only, for the audio thread too.
    void syncTakeMode() {
        recorder_->setNewTakeEveryRun(table_.get(ParamId::NewTakeEveryRun) > 0.5);
        recorder_->setPreRecordSeconds(table_.get(ParamId::PreRecordTime) * kPreRecordRange);
    }
    // Replaces the path, the parameters and, for a player, the clip (null: keep it).
    void applyDocument(const StateDocument& document, AudioClip* clip);
    void resizeScratch(std::int32_t blockSize);

    const ModuleKind kind_;
    ParameterTable table_;

    double sampleRate_ = kDefaultSampleRate;
    std::atomic<double> publishedSampleRate_{kDefaultSampleRate};
    std::int32_t maxBlockSize_ = kDefaultMaxBlockSize;
    std::atomic<bool> processingOn_{false};

    // 64 channel buffers of maxBlockSize_ floats in one area, with a writable and a read-only
    // pointer table over it. Routing also keeps copies of overwritten inputs there, in either
    // sample size; the area never holds less than one double per possible channel.
    std::vector<float> scratchArea_;
    std::array<float*, kMaxStrips> scratchWritable_{};
    std::array<const float*, kMaxStrips> scratchReadable_{};
    // One channel of maxBlockSize_ doubles where the summing bus mixes its inputs.
    std::vector<double> mixScratch_;

    // Audio thread (and the resets of setProcessing/setActive).
    std::uint64_t samplePosition_ = 0;
    // The host's project time at the block's first frame (negative: none given) and that frame's
    // samplePosition_, from which starts inside the block find their own project time.
    std::int64_t blockProjectTime_ = -1;
    std::uint64_t blockStartPosition_ = 0;
    bool wasRunning_ = false;
    // The player was playing at the end of the previous stretch: a stop made since by another
    // thread (a state load installing a new file) still owes the sync stop message.
    bool playerHeard_ = false;
    GainState gainState_;
    InputMeters inputMeters_;
    BlockEventBuffer events_;
    // Input channels of the current block that are output channels too.
    BufferAliasing aliasing_;
    // Per output bus, the channels that received a non-zero sample in the current block.
    std::array<std::uint64_t, kMaxStrips> audibleChannels_{};

    std::unique_ptr<DiskRecorder> recorder_;
    std::unique_ptr<FilePlayer> player_;

    // Guards the bus arrangement and the rate against an arming that reads them on another
    // thread. Held only for memory work, never across the disk.
    std::mutex setupMutex_;
    std::atomic<bool> active_{false};
    // Guards what a load replaces that is not atomic, against the editor and host threads that
    // read it meanwhile: the path and the SDK parameter objects' values. Held only for copies,
    // stores and armings, never across file work.
    mutable std::mutex stateMutex_;
    std::u16string filePath_;
    // filePath is the recorder's destination (set by each arming), rather than filePath_ as
    // named: a take name the writer found, and the next take's name, become the path saved.
    bool followsRecorder_ = false;
    // The recorder's file that filePath_ names in its own spelling (a load naming the armed file
    // another way): filePath_ is kept while that file is the destination.
    std::u16string spelledFile_;
    // Counts the destinations named, so that a failed file choice restores the old path only
    // if nothing newer came since.
    std::uint64_t destinationSerial_ = 0;
};

} // namespace quillwave::plugins
