#include "recorder/recorder_status.h"

#include "recorder/disk_recorder.h"

namespace quillwave::plugins {

RecorderStatus readRecorderStatus(const DiskRecorder& recorder,
                                  double publishedSampleRate) noexcept {
    const bool ready = recorder.ready();
    const bool captureComplete = recorder.captureComplete();
    const bool writerFinished = recorder.writerFinished();
    const bool fileCreated = recorder.fileCreated();

    RecorderStatus s;
    s.recording = recorder.recording();
    s.diskError = recorder.diskError();
    s.creationFailed = s.diskError && recorder.creationFailed();
    s.capturingTail = s.recording && recorder.stopPosition() != DiskRecorder::kNoStop;
    s.finalizing = fileCreated && captureComplete && !writerFinished && !s.diskError;
    s.finalized = fileCreated && writerFinished;
    s.armed = ready && !s.recording && !s.finalizing && !s.finalized && !s.diskError;
    s.capturedFrames = recorder.capturedFrames();
    s.writtenFrames = recorder.writtenFrames();
    s.droppedFrames = recorder.droppedFrames();
    s.capturedSeconds = publishedSampleRate > 0.0
                            ? static_cast<double>(s.capturedFrames) / publishedSampleRate
                            : 0.0;
    if (const std::uint32_t rate = recorder.fileSampleRate(); rate != 0) {
        s.preRecordLimitSeconds =
            static_cast<double>(recorder.preRecordLimitFrames()) / static_cast<double>(rate);
    }
    return s;
}

RecorderDisplayState recorderDisplayState(const RecorderStatus& status,
                                          bool destinationSet) noexcept {
    if (status.diskError) {
        return RecorderDisplayState::DiskError;
    }
    if (status.capturingTail) {
        return RecorderDisplayState::CapturingTail;
    }
    if (status.recording) {
        return RecorderDisplayState::Recording;
    }
    if (status.finalizing) {
        return RecorderDisplayState::Finalizing;
    }
    if (status.armed) {
        return RecorderDisplayState::Armed;
    }
    if (status.finalized && destinationSet) {
        return RecorderDisplayState::Finalized;
    }
    return RecorderDisplayState::NoDestination;
}

} // namespace quillwave::plugins
