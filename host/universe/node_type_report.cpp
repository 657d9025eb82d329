#include "universe/node_type_report.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "universe/host_error.h"
#include "universe/value_types.h"

namespace host {

namespace {

/// Floats as the doubles they convert to, every bit shown.
nlohmann::json exactNumber(float value) {
    return value;
}

nlohmann::json valueJson(const ParamValue& v) {
    const auto write = valueType(v.type).toJson;
    return write ? write(v, exactNumber) : nlohmann::json(nullptr);
}

/// The host's own types are registered under this source.
bool isHosts(const NodeType& t) {
    return t.source == "built-in";
}

std::string origin(const NodeType& t) {
    return isHosts(t) ? std::string("the host's own") : "version " + t.version;
}

/// `text` as one Markdown table cell: a '|' of a plug-in's text would end the cell.
std::string tableCell(const std::string& text) {
    std::string cell;
    for (char c : text) {
        if (c == '|') cell += '\\';
        cell += c;
    }
    return cell;
}

constexpr const char* kBlockOpen = "<!-- orv-info ";
constexpr const char* kBlockClose = "<!-- /orv-info -->";

}  // namespace

size_t indexInSource(const std::vector<const NodeType*>& types, size_t i) {
    size_t index = 0;
    for (size_t j = 0; j < i; ++j)
        if (types[j]->source == types[i]->source) ++index;
    return index;
}

const char* kindName(int32_t kind) {
    switch (kind) {
        case kNodeOptions:
            return "options";
        case kNodeCamera:
            return "camera";
        case kNodeLight:
            return "light";
        case kNodeShape:
            return "shape";
        case kNodeShader:
            return "shader";
        default:
            return "unknown";
    }
}

std::string describeText(const std::vector<const NodeType*>& types) {
    std::ostringstream out;
    for (size_t i = 0; i < types.size(); ++i) {
        const NodeType& t = *types[i];
        out << indexInSource(types, i) << "  " << t.name << "  kind " << kindName(t.kind) << " ("
            << t.kind << ")  output " << typeName(t.outputType) << " (" << int(t.outputType)
            << ")  " << origin(t) << "\n";
        for (size_t p = 0; p < t.params.size(); ++p) {
            const ParamDecl& d = t.params[p];
            out << "    " << p << "  " << d.name << "  " << typeName(d.defaultValue.type) << "  "
                << formatValue(d.defaultValue);
            if (d.oncePerUpdate) out << "  once per update";
            if (const std::string meant = d.meantValues(); !meant.empty())
                out << "  (" << meant << ")";
            if (!d.help.empty()) out << "  -- " << d.help;
            out << "\n";
        }
    }
    return out.str();
}

std::string describeJson(const std::vector<const NodeType*>& types) {
    nlohmann::json all = nlohmann::json::array();
    for (size_t i = 0; i < types.size(); ++i) {
        const NodeType& t = *types[i];
        nlohmann::json params = nlohmann::json::array();
        for (size_t p = 0; p < t.params.size(); ++p) {
            const ParamDecl& d = t.params[p];
            nlohmann::json param = {{"index", p},
                                    {"name", d.name},
                                    {"type", typeName(d.defaultValue.type)},
                                    {"default", valueJson(d.defaultValue)},
                                    {"oncePerUpdate", d.oncePerUpdate}};
            if (!std::isnan(d.min)) param["min"] = d.min;
            if (!std::isnan(d.max)) param["max"] = d.max;
            if (!d.values.empty()) {
                nlohmann::json values = nlohmann::json::array();
                for (const NamedValue& v : d.values)
                    values.push_back({{"value", v.value}, {"meaning", v.meaning}});
                param["values"] = values;
            }
            if (!d.otherwise.empty()) param["otherwise"] = d.otherwise;
            param["help"] = d.help;
            params.push_back(param);
        }
        all.push_back({{"index", indexInSource(types, i)},
                       {"name", t.name},
                       {"kind", kindName(t.kind)},
                       {"output", typeName(t.outputType)},
                       {"outputCode", t.outputType},
                       {"version", t.version},
                       {"source", t.source},
                       {"host", isHosts(t)},
                       {"parameters", params}});
    }
    return all.dump(2) + "\n";
}

std::string describeMarkdown(const NodeType& t, int index) {
    std::ostringstream out;
    if (isHosts(t))
        out << "The host's own, " << kindName(t.kind);
    else
        out << "Index " << index << ", " << kindName(t.kind);
    out << ", output `" << typeName(t.outputType) << "` (code " << int(t.outputType) << ")";
    if (!isHosts(t)) out << ", built for " << t.version;
    out << ".\n\n";
    out << "| # | parameter | type | default | read once per update | meant values | what it does "
           "|\n"
           "|---|---|---|---|---|---|---|\n";
    const ParamDecl* spelt = nullptr;  // the last row that spelt out what other values do
    for (size_t p = 0; p < t.params.size(); ++p) {
        const ParamDecl& d = t.params[p];
        std::string meant = d.meantValues();
        // Parameters sharing a fallback, such as the station's fifty frequencies, spell it out
        // once.
        if (!meant.empty() && !d.otherwise.empty()) {
            if (spelt && spelt->otherwise == d.otherwise) {
                meant += "; others as for `" + spelt->name + "`";
            } else {
                meant += "; others: " + d.otherwise;
                spelt = &d;
            }
        }
        out << "| " << p << " | `" << d.name << "` | " << typeName(d.defaultValue.type) << " | "
            << formatValue(d.defaultValue) << " | " << (d.oncePerUpdate ? "yes" : "") << " | "
            << meant << " | " << tableCell(d.help) << " |\n";
    }
    return out.str();
}

std::string updateDocument(const std::string& document, const std::vector<const NodeType*>& types) {
    std::string result;
    size_t at = 0;
    while (true) {
        const size_t open = document.find(kBlockOpen, at);
        if (open == std::string::npos) break;
        const size_t nameStart = open + std::string(kBlockOpen).size();
        const size_t nameEnd = document.find(" -->", nameStart);
        if (nameEnd == std::string::npos) throw HostError("unterminated orv-info marker");
        const std::string name = document.substr(nameStart, nameEnd - nameStart);
        const size_t bodyStart = nameEnd + 4;
        const size_t close = document.find(kBlockClose, bodyStart);
        if (close == std::string::npos)
            throw HostError("orv-info block for '" + name + "' is not closed");
        int index = -1;
        for (size_t i = 0; i < types.size(); ++i)
            if (types[i]->name == name) index = static_cast<int>(i);
        if (index < 0) throw HostError("orv-info block names unknown node type '" + name + "'");
        result += document.substr(at, bodyStart - at);
        result += "\n" + describeMarkdown(*types[index], static_cast<int>(indexInSource(
                                                             types, static_cast<size_t>(index))));
        result += kBlockClose;
        at = close + std::string(kBlockClose).size();
    }
    return result + document.substr(at);
}

}  // namespace host
