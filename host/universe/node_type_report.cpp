#include "universe/node_type_report.h"

#include <nlohmann/json.hpp>
#include <sstream>

#include "universe/host_error.h"

namespace host {

namespace {

nlohmann::json valueJson(const ParamValue& v) {
    switch (v.type) {
        case kTypeBoolean:
            return v.boolean;
        case kTypeInt:
            return v.integer;
        case kTypeFloat:
            return v.flt;
        case kTypeRGB:
            return {v.rgb.r, v.rgb.g, v.rgb.b};
        case kTypeRGBA:
            return {v.rgba.r, v.rgba.g, v.rgba.b, v.rgba.a};
        case kTypeVector:
            return {v.vec.x, v.vec.y, v.vec.z};
        case kTypeString:
            return v.str ? v.str : "";
        default:
            return nullptr;
    }
}

constexpr const char* kBlockOpen = "<!-- orv-info ";
constexpr const char* kBlockClose = "<!-- /orv-info -->";

}  // namespace

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
        out << i << "  " << t.name << "  kind " << kindName(t.kind) << " (" << t.kind
            << ")  output " << typeName(t.outputType) << " (" << int(t.outputType) << ")  version "
            << t.version << "\n";
        for (size_t p = 0; p < t.params.size(); ++p)
            out << "    " << p << "  " << t.params[p].name << "  "
                << typeName(t.params[p].defaultValue.type) << "  "
                << formatValue(t.params[p].defaultValue) << "\n";
    }
    return out.str();
}

std::string describeJson(const std::vector<const NodeType*>& types) {
    nlohmann::json all = nlohmann::json::array();
    for (size_t i = 0; i < types.size(); ++i) {
        const NodeType& t = *types[i];
        nlohmann::json params = nlohmann::json::array();
        for (size_t p = 0; p < t.params.size(); ++p)
            params.push_back({{"index", p},
                              {"name", t.params[p].name},
                              {"type", typeName(t.params[p].defaultValue.type)},
                              {"default", valueJson(t.params[p].defaultValue)}});
        all.push_back({{"index", i},
                       {"name", t.name},
                       {"kind", kindName(t.kind)},
                       {"output", typeName(t.outputType)},
                       {"outputCode", t.outputType},
                       {"version", t.version},
                       {"source", t.source},
                       {"parameters", params}});
    }
    return all.dump(2) + "\n";
}

std::string describeMarkdown(const NodeType& t, int index) {
    std::ostringstream out;
    out << "Index " << index << ", " << kindName(t.kind) << ", output `" << typeName(t.outputType)
        << "` (code " << int(t.outputType) << "), built for " << t.version << ".\n\n";
    out << "| # | parameter | type | default |\n|---|---|---|---|\n";
    for (size_t p = 0; p < t.params.size(); ++p)
        out << "| " << p << " | `" << t.params[p].name << "` | "
            << typeName(t.params[p].defaultValue.type) << " | "
            << formatValue(t.params[p].defaultValue) << " |\n";
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
        result += "\n" + describeMarkdown(*types[index], index);
        result += kBlockClose;
        at = close + std::string(kBlockClose).size();
    }
    return result + document.substr(at);
}

}  // namespace host
