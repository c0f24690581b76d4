#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace quillwave::platform {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

// An open C stream that is closed when it goes out of scope. Callers that need the result of
// closing release it and call fclose themselves.
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Creates a new file at path and opens a buffered binary update stream ("w+b") on it. Creation is
// exclusive: it fails if anything exists under that name, so nothing is ever truncated or
// replaced, whatever checks came before. Other programs may read the file while it is open but
// not write it (Windows). Returns null on any failure; a descriptor that got no stream is closed.
UniqueFile createNewFile(const std::u16string& path);

// Deletes the file at path. Only for a file this process created with createNewFile and has
// closed again without keeping anything in it. False when the file could not be deleted.
bool removeCreatedFile(const std::u16string& path);

} // namespace quillwave::platform
