#include "recorder/file_recording_stream.h"

namespace quillwave::plugins {

std::size_t FileRecordingStream::write(const void* data, std::size_t itemSize,
                                       std::size_t itemCount) {
    return file_ ? std::fwrite(data, itemSize, itemCount, file_.get()) : 0;
}

void FileRecordingStream::seekToStart() {
    if (!file_ || std::fseek(file_.get(), 0, SEEK_SET) != 0) {
        seekFailed_ = true;
    }
}

bool FileRecordingStream::flush() {
    return file_ && std::fflush(file_.get()) == 0;
}

bool FileRecordingStream::failed() const {
    return !file_ || seekFailed_ || std::ferror(file_.get()) != 0;
}

bool FileRecordingStream::close() {
    if (!file_) {
        return true;
    }
    return std::fclose(file_.release()) == 0;
}

std::unique_ptr<RecordingStream> openNewRecordingFile(const std::u16string& path) {
    auto file = platform::createNewFile(path);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<FileRecordingStream>(std::move(file));
}

} // namespace quillwave::plugins
