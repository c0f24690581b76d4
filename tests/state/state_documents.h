#pragma once

// Hand-written document texts, so each test states exactly the bytes it sends.

#include <map>
#include <optional>
#include <string>

namespace quillwave::test {

// A JSON array of count elements, each "0.25" unless given in `at`.
inline std::string parameterArray(std::size_t count = 512,
                                  const std::map<std::size_t, std::string>& at = {}) {
    std::string text = "[";
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            text += ',';
        }
        const auto it = at.find(i);
        text += it != at.end() ? it->second : "0.25";
    }
    return text + "]";
}

// An object with the members given; a member left as std::nullopt is omitted.
struct DocumentText {
    std::optional<std::string> kind = "6";
    std::optional<std::string> parameters = parameterArray();
    std::optional<std::string> path = "\"restored.wav\"";
    std::optional<std::string> schema = "1";

    std::string str() const {
        std::string text = "{";
        auto member = [&](const char* key, const std::optional<std::string>& value) {
            if (!value) {
                return;
            }
            if (text.size() > 1) {
                text += ',';
            }
            text += std::string("\"") + key + "\":" + *value;
        };
        member("kind", kind);
        member("parameters", parameters);
        member("path", path);
        member("schema", schema);
        return text + "}";
    }
};

} // namespace quillwave::test
