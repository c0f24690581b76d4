#include "plugin/state_document.h"

#include "platform/utf.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace quillwave::plugins {
namespace {

using nlohmann::json;

constexpr double kInt32Low = static_cast<double>(std::numeric_limits<std::int32_t>::min());
constexpr double kInt32High = static_cast<double>(std::numeric_limits<std::int32_t>::max());

// A member read as a 32-bit integer with the library's conversions: a fraction is cut toward
// zero, a boolean counts as 0 or 1, a missing key gives fallback. Strings, arrays, objects and
// null fail. Unlike the library's cast, a value outside the 32-bit range fails too: a cast would
// wrap 4294967297 to 1 and is undefined for a large fraction.
std::optional<std::int32_t> readInt32(const json& object, const char* key, std::int32_t fallback) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return fallback;
    }
    const json& value = *it;
    switch (value.type()) {
    case json::value_t::boolean:
        return value.get<bool>() ? 1 : 0;
    case json::value_t::number_integer: {
        const auto v = value.get<json::number_integer_t>();
        if (v < std::numeric_limits<std::int32_t>::min() ||
            v > std::numeric_limits<std::int32_t>::max()) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(v);
    }
    case json::value_t::number_unsigned: {
        const auto v = value.get<json::number_unsigned_t>();
        if (v > static_cast<json::number_unsigned_t>(std::numeric_limits<std::int32_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(v);
    }
    case json::value_t::number_float: {
        const double cut = std::trunc(value.get<double>());
        if (!(cut >= kInt32Low && cut <= kInt32High)) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(cut);
    }
    default:
        return std::nullopt;
    }
}

// One parameter element: any JSON number, finite and within [0, 1].
std::optional<double> readNormalized(const json& value) {
    if (!value.is_number()) {
        return std::nullopt;
    }
    const double v = value.get<double>();
    if (!std::isfinite(v) || v < 0.0 || v > 1.0) {
        return std::nullopt;
    }
    return v;
}

std::optional<StateDocument> validate(const json& root, ModuleKind kind) {
    if (!root.is_object()) {
        return std::nullopt;
    }
    if (readInt32(root, "schema", 0) != kStateSchema ||
        readInt32(root, "kind", 0) != static_cast<std::int32_t>(kind)) {
        return std::nullopt;
    }
    const auto parameters = root.find("parameters");
    if (parameters == root.end() || !parameters->is_array() ||
        parameters->size() != kParameterSlots) {
        return std::nullopt;
    }
    StateDocument document;
    for (ParamIndex id = 0; id < kParameterSlots; ++id) {
        const std::optional<double> value = readNormalized((*parameters)[id]);
        if (!value) {
            return std::nullopt;
        }
        document.parameters[id] = *value;
    }
    if (const auto path = root.find("path"); path != root.end()) {
        if (!path->is_string()) {
            return std::nullopt;
        }
        std::optional<std::u16string> wide =
            platform::utf8ToUtf16(path->get_ref<const json::string_t&>());
        if (!wide || wide->size() > kMaxStatePathUnits) {
            return std::nullopt;
        }
        document.path = std::move(*wide);
    }
    return document;
}

} // namespace

std::string pathToUtf8(std::u16string_view path) {
    std::string text = platform::utf16ToUtf8(path);
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    return text;
}

std::string writeStateDocument(ModuleKind kind, const ParameterTable& table,
                               std::u16string_view path) {
    json document = json::object();
    document["schema"] = kStateSchema;
    document["kind"] = static_cast<std::int32_t>(kind);
    document["path"] = pathToUtf8(path);
    json parameters = json::array();
    parameters.get_ref<json::array_t&>().reserve(kParameterSlots);
    for (ParamIndex id = 0; id < kParameterSlots; ++id) {
        parameters.push_back(table.get(id));
    }
    // A reopened project must never start playing or recording by itself.
    parameters[ParamId::PlayRecord] = 0;
    document["parameters"] = std::move(parameters);
    return document.dump();
}

std::optional<StateDocument> readStateDocument(std::string_view text, ModuleKind kind) noexcept {
    // The parser takes a zero byte for the end of its input and would ignore whatever follows;
    // strict JSON has no raw zero byte anywhere, not even inside a string.
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    try {
        // Strict: one value, no comments; whitespace may follow it.
        const json root = json::parse(text.begin(), text.end(), nullptr, true, false);
        return validate(root, kind);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace quillwave::plugins
