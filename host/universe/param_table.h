// The host's own parameter tables, shaped as the library's: one constant table per node type
// that both declares its parameters and gives the indices its code reads them by, so that a
// name missing from the table, or read as another type, does not build.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "plugin/renderer.h"

namespace host {

/// One parameter as a host node type declares it; its place in its table is its index.
struct HostParam {
    const char* name = "";
    uint8_t type = kTypeNone;  ///< any parameter type, node and string included
    /// The default's components (a boolean as 0 or 1), as ValueType::fromComponents reads them.
    double values[4] = {0, 0, 0, 0};
    const char* text = "";                                ///< default of a string
    float min = std::numeric_limits<float>::quiet_NaN();  ///< lowest meant value; NaN for none
    float max = std::numeric_limits<float>::quiet_NaN();  ///< highest meant value; NaN for none
    const char* names = nullptr;      ///< the meaningful values, "0 constant color, 1 gradient"
    const char* otherwise = nullptr;  ///< what the node does with a value outside them
    const char* helpText = nullptr;   ///< one line for people: what the parameter does

    /// Meant values listed as "value name" pairs separated by ", ".
    constexpr HostParam named(const char* list, const char* fallback) const {
        HostParam p = *this;
        p.names = list;
        p.otherwise = fallback;
        return p;
    }
    /// What the parameter does, in one line, for editors and the reference.
    constexpr HostParam help(const char* line) const {
        HostParam p = *this;
        p.helpText = line;
        return p;
    }
};

constexpr HostParam boolParam(const char* name, bool value) {
    return {name, kTypeBoolean, {value ? 1.0 : 0.0}};
}
constexpr HostParam intParam(const char* name, int32_t value) {
    return {name, kTypeInt, {double(value)}};
}
constexpr HostParam floatParam(const char* name, float value) {
    return {name, kTypeFloat, {value}};
}
constexpr HostParam rgbParam(const char* name, float r, float g, float b) {
    return {name, kTypeRGB, {r, g, b}};
}
constexpr HostParam vectorParam(const char* name, float x, float y, float z) {
    return {name, kTypeVector, {x, y, z}};
}
/// A link to another node, none by default.
constexpr HostParam nodeParam(const char* name) {
    return {name, kTypeNode};
}
constexpr HostParam stringParam(const char* name, const char* value) {
    return {name, kTypeString, {}, value};
}

/// `head` then `tail`: a type's table that begins with the rows its kind shares.
template <size_t N, size_t M>
constexpr std::array<HostParam, N + M> joinParams(const std::array<HostParam, N>& head,
                                                  const std::array<HostParam, M>& tail) {
    std::array<HostParam, N + M> all{};
    for (size_t i = 0; i < N; ++i) all[i] = head[i];
    for (size_t i = 0; i < M; ++i) all[N + i] = tail[i];
    return all;
}

namespace param_table_detail {
// Deliberately not constexpr: reaching one of these while paramIndex runs at compile time makes
// the constant that asked ill-formed, so a misspelt name or a wrong type does not build.
int parameterNotInTable();
int parameterDeclaredWithAnotherType();
}  // namespace param_table_detail

/// The index of parameter `name`, which must be declared with `type`. Meant for initialising
/// constexpr constants, where a name missing from the table or a type that differs from its row
/// stops the build.
template <size_t N>
constexpr int paramIndex(const std::array<HostParam, N>& table, std::string_view name,
                         uint8_t type) {
    for (size_t i = 0; i < N; ++i) {
        if (name != table[i].name) continue;
        if (table[i].type != type) return param_table_detail::parameterDeclaredWithAnotherType();
        return static_cast<int>(i);
    }
    return param_table_detail::parameterNotInTable();
}

/// Declares `count` rows on the type the list is for, in row order, so that row i gets index i,
/// with their meant values as metadata.
void declareParams(ParamList* params, const HostParam* rows, size_t count);
template <size_t N>
void declareParams(ParamList* params, const std::array<HostParam, N>& table) {
    declareParams(params, table.data(), N);
}

}  // namespace host
