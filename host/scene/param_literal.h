// JSON literals as parameter values, as the value types' table reads them, and JSON quoted in
// messages.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "universe/param_value.h"

namespace host {

/// Reads `literal` as a value of `type` (bool, int, float, rgb, rgba, vector). A float takes any
/// number; an int an integral number within 32 bits; rgb and vector an array of 3 numbers or
/// one number for all three; rgba an array of 4, or of 3 with alpha 1, or one number with alpha
/// 1; bool only true or false. Every number must be finite in the parameter's own type: one
/// beyond a 32-bit float is refused, not read as infinity. Answers false for anything else, or
/// for a type not written as a literal (string, node), leaving `out` as it was. The rules are
/// the rows of universe/value_types.cpp.
bool readParamLiteral(const nlohmann::json& literal, uint8_t type, ParamValue* out);

/// Why a literal of the right shape was still refused: "does not fit a 32-bit float (...)"
/// when a number is beyond the type's range; empty when that is not the reason.
std::string literalRangeProblem(const nlohmann::json& literal, uint8_t type);

/// How a literal of `type` is written, for messages: "a number", "an array of 3 numbers", ...
std::string describeLiteral(uint8_t type);

/// A short rendering of a JSON value for messages, cut to about 40 characters. Only what is
/// shown is visited, so a huge or deeply nested value costs no more than a small one.
std::string quoteJson(const nlohmann::json& value);

}  // namespace host
