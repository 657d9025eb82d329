// The types of parameters and outputs, one row of traits per type code: whatever depends on a
// value's type (its name, how a scene writes it, how it is written to JSON and shown, what it
// widens from) is read from here, so that a type is described in one place.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <nlohmann/json_fwd.hpp>

#include "universe/param_value.h"

namespace host {

/// How a float goes into JSON: orv-info writes the exact double it converts to, orv-shade a
/// tidier seven digits.
using JsonNumber = nlohmann::json (*)(float value);

struct ValueType {
    uint8_t code;             ///< kTypeInt, kTypeRGB, ...
    const char* name;         ///< "int", "rgb": as scene files, tools and messages name it
    int components;           ///< numbers in a value: 1, 3 or 4; 0 for string, node and the rest
    bool isColor;             ///< a colour as it stands (rgb, rgba)
    const char* literalForm;  ///< how a scene writes one, for messages; null: "a value of type ..."
    uint32_t widensFrom;      ///< bit per type code that may feed a parameter of this type

    /// Reads a scene's literal into `out`; false, leaving `out` alone, for anything else. A
    /// number beyond the type's range is refused, not turned into infinity. Null for types a
    /// scene cannot write as a literal.
    bool (*readLiteral)(const nlohmann::json& literal, ParamValue* out);
    /// Why a literal of the right shape was still refused ("does not fit a 32-bit float ..."),
    /// or empty. Null for types without a range.
    const char* (*literalRangeProblem)(const nlohmann::json& literal);
    /// `value` as JSON, its floats written by `number`. Null: written as JSON null.
    nlohmann::json (*toJson)(const ParamValue& value, JsonNumber number);
    /// Fills `to` (of this type, zero) from `from` of another type: numbers spread to every
    /// component, colours gain an alpha of 1 or lose theirs. Null, or a value it cannot
    /// convert: `to` stays zero.
    void (*widen)(const ParamValue& from, ParamValue* to);
    /// Fills `to` (of this type, zero) from its components, in the order they are written (a
    /// boolean as 0 or 1), or from `text` for a string: a host table's default. Null: zero.
    void (*fromComponents)(const double* numbers, const char* text, ParamValue* to);
    /// Fills `to` (of this type) from a node's output slot. Null: nothing to read.
    void (*readSlot)(const ShaderValue& out, ParamValue* to);
    /// Writes `value` for people: "1", "0.5", "(1, 0, 0)". Null: "?".
    void (*format)(const ParamValue& value, std::ostream& text);
    /// A node's output of this type shown as a colour: a grey for a number, x, y, z as red,
    /// green, blue, opaque black for what no colour comes from.
    RGBA (*displayColor)(const ShaderValue& out);
};

/// The row of type `code`; a code no type has gets a row named "unknown" with no traits.
const ValueType& valueType(uint8_t code);

/// Every type's row, the unknown one last.
const ValueType* valueTypesBegin();
const ValueType* valueTypesEnd();

}  // namespace host
