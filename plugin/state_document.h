#pragma once

// The module's saved document: kind, chosen file and every parameter slot as one compact JSON
// object. Building and validating it touch nothing of the module, so a document that fails
// validation cannot leave a half-applied state behind.

#include "plugin/module_kind.h"
#include "plugin/param_ids.h"
#include "plugin/parameter_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillwave::plugins {

inline constexpr std::int32_t kStateSchema = 1;
// Longest path a document may restore, in UTF-16 units (the longest Win32 extended path).
inline constexpr std::size_t kMaxStatePathUnits = 32767;

// A validated document, ready to apply.
struct StateDocument {
    std::u16string path;
    std::array<double, kParameterSlots> parameters{};
};

// UTF-16 to UTF-8 with every backslash turned into a forward slash, so saved paths read the same
// on every platform.
std::string pathToUtf8(std::u16string_view path);

// The compact JSON text for kind, path and the table's slots (each read once, atomically), with
// slot PlayRecord written as the integer 0. Throws only std::bad_alloc.
std::string writeStateDocument(ModuleKind kind, const ParameterTable& table,
                               std::u16string_view path);

// Parses and validates text as a document of kind. std::nullopt for anything that is not a
// complete, valid document; never throws.
std::optional<StateDocument> readStateDocument(std::string_view text, ModuleKind kind) noexcept;

} // namespace quillwave::plugins
