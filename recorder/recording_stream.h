#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace quillwave::plugins {

// The stream the disk writer writes a take through. The writer inspects failed() after each
// write, so an implementation reports errors the way a C stream does: a short count and a sticky
// error state. Tests substitute their own to fail, stall or pretend.
class RecordingStream {
public:
    virtual ~RecordingStream() = default;

    // Writes itemCount items of itemSize bytes; returns the number of whole items written.
    virtual std::size_t write(const void* data, std::size_t itemSize, std::size_t itemCount) = 0;
    // Moves to the first byte; a failure shows in failed().
    virtual void seekToStart() = 0;
    // False when the flush reported an error.
    virtual bool flush() = 0;
    // The sticky error state.
    virtual bool failed() const = 0;
    // False when closing reported an error. Later calls do nothing and return true.
    virtual bool close() = 0;
};

// Creates a new file exclusively and returns a stream on it, or null when that fails.
using RecordingFileOpener = std::function<std::unique_ptr<RecordingStream>(const std::u16string&)>;

// The product's opener: exclusive creation of a new file with a buffered C stream on it.
std::unique_ptr<RecordingStream> openNewRecordingFile(const std::u16string& path);

} // namespace quillwave::plugins
