#pragma once

#include "platform/new_file.h"
#include "recorder/recording_stream.h"

namespace quillwave::plugins {

// A RecordingStream on a C stream with its default buffering.
class FileRecordingStream final : public RecordingStream {
public:
    explicit FileRecordingStream(platform::UniqueFile file) : file_(std::move(file)) {}
    ~FileRecordingStream() override { close(); }

    std::size_t write(const void* data, std::size_t itemSize, std::size_t itemCount) override;
    void seekToStart() override;
    bool flush() override;
    bool failed() const override;
    bool close() override;

private:
    platform::UniqueFile file_;
    bool seekFailed_ = false; // a failed seek need not set the stream's own error flag
};

} // namespace quillwave::plugins
