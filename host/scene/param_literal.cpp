#include "scene/param_literal.h"

#include "universe/value_types.h"

namespace host {

bool readParamLiteral(const nlohmann::json& literal, uint8_t type, ParamValue* out) {
    const auto read = valueType(type).readLiteral;
    return read && read(literal, out);
}

std::string literalRangeProblem(const nlohmann::json& literal, uint8_t type) {
    const auto problem = valueType(type).literalRangeProblem;
    return problem ? problem(literal) : "";
}

std::string describeLiteral(uint8_t type) {
    const ValueType& row = valueType(type);
    return row.literalForm ? row.literalForm : std::string("a value of type ") + row.name;
}

namespace {

/// The largest cut at or before `cut` that splits no UTF-8 character.
size_t utf8Boundary(const std::string& text, size_t cut) {
    if (cut >= text.size()) return text.size();
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

/// Appends `value` as JSON to `text` until `text` reaches `budget` bytes. Each level adds at
/// least one byte, so the recursion is no deeper than the budget however deep the value is.
void appendJson(const nlohmann::json& value, size_t budget, std::string& text) {
    if (text.size() >= budget) return;
    if (value.is_array() || value.is_object()) {
        text += value.is_array() ? '[' : '{';
        bool first = true;
        for (auto it = value.begin(); it != value.end() && text.size() < budget; ++it) {
            if (!first) text += ',';
            first = false;
            if (value.is_object()) {
                appendJson(it.key(), budget, text);
                text += ':';
            }
            appendJson(it.value(), budget, text);
        }
        text += value.is_array() ? ']' : '}';
    } else if (value.is_string()) {
        // Only the head of a long string, cut between UTF-8 characters.
        const std::string& whole = value.get_ref<const std::string&>();
        text += nlohmann::json(whole.substr(0, utf8Boundary(whole, budget))).dump();
    } else {
        text += value.dump();
    }
}

}  // namespace

std::string quoteJson(const nlohmann::json& value) {
    std::string text;
    appendJson(value, 41, text);
    if (text.size() > 40) text = text.substr(0, utf8Boundary(text, 37)) + "...";
    return text;
}

}  // namespace host
