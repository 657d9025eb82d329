#include "universe/node_type.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "universe/host_error.h"
#include "universe/node_kinds.h"
#include "universe/node_type_report.h"
#include "universe/value_types.h"

namespace host {

int NodeType::findParam(std::string_view wanted) const {
    for (size_t i = 0; i < params.size(); ++i)
        if (params[i].name == wanted) return static_cast<int>(i);
    return -1;
}

namespace {

ParamDecl* findDecl(NodeType& type, std::string_view param) {
    const int index = type.findParam(param);
    return index < 0 ? nullptr : &type.params[static_cast<size_t>(index)];
}

/// "0 card, 1 sphere": each item a decimal integer, a space and its meaning, which holds no
/// comma. False, leaving `out` alone, for anything else.
bool parseNamedValues(std::string_view text, std::vector<NamedValue>* out) {
    std::vector<NamedValue> values;
    for (bool more = true; more;) {
        const size_t comma = text.find(',');
        std::string item(text.substr(0, comma));
        more = comma != std::string_view::npos;
        if (more) text.remove_prefix(comma + 1);
        const size_t start = item.find_first_not_of(' ');
        if (start == std::string::npos) return false;
        const char* begin = item.c_str() + start;
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(begin, &end, 10);
        if (end == begin || errno != 0 || value < INT32_MIN || value > INT32_MAX || *end != ' ')
            return false;
        std::string meaning = end + 1;
        meaning.erase(meaning.find_last_not_of(' ') + 1);
        if (meaning.empty()) return false;
        values.push_back({static_cast<int32_t>(value), meaning});
    }
    *out = std::move(values);
    return true;
}

/// Refuses a type of a kind the renderer reads (camera, light, object) whose parameters do not
/// begin with the kind's rows, naming the first that differs.
void checkKindParams(const NodeType& type, const std::string& source) {
    const auto [rows, count] = kindParams(type.kind);
    for (size_t i = 0; i < count; ++i) {
        const HostParam& row = rows[i];
        if (i < type.params.size() && type.params[i].name == row.name &&
            type.params[i].defaultValue.type == row.type)
            continue;
        std::string expected;
        for (size_t j = 0; j < count; ++j)
            expected += std::string(j ? ", " : "") + rows[j].name + " (" +
                        valueType(rows[j].type).name + ")";
        throw HostError(source + ": node type '" + type.name + "' (kind " + kindName(type.kind) +
                        "): its parameters must begin with " + expected + "; parameter " +
                        std::to_string(i) + " is " +
                        (i < type.params.size()
                             ? "'" + type.params[i].name + "' (" +
                                   valueType(type.params[i].defaultValue.type).name + ")"
                             : std::string("missing")));
    }
}

std::string number(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

}  // namespace

bool ParamDecl::means(const ParamValue& value) const {
    double x = 0;
    if (value.type == kTypeInt)
        x = value.integer;
    else if (value.type == kTypeFloat)
        x = value.flt;
    else
        return true;
    if (value.type == kTypeInt && !values.empty()) {
        for (const NamedValue& named : values)
            if (named.value == value.integer) return true;
        return false;
    }
    // NaN limits compare false: no limit.
    return !(x < min) && !(x > max);
}

std::string ParamDecl::meantValues() const {
    if (!values.empty() && defaultValue.type == kTypeInt) {
        std::string text;
        for (const NamedValue& named : values)
            text += (text.empty() ? "" : ", ") + std::to_string(named.value) + " " + named.meaning;
        return text;
    }
    const bool low = !std::isnan(min), high = !std::isnan(max);
    if (low && high) return number(min) + " to " + number(max);
    if (low) return number(min) + " or more";
    if (high) return number(max) + " or less";
    return "";
}

void setParamMetadata(NodeType& type, std::string_view param, std::string_view key, bool flag) {
    if (ParamDecl* decl = findDecl(type, param); decl && key == "oncePerUpdate")
        decl->oncePerUpdate = flag;
}

void setParamMetadata(NodeType& type, std::string_view param, std::string_view key, float number) {
    ParamDecl* decl = findDecl(type, param);
    if (!decl) return;
    if (key == "min") decl->min = number;
    if (key == "max") decl->max = number;
}

void setParamMetadata(NodeType& type, std::string_view param, std::string_view key,
                      std::string_view text) {
    ParamDecl* decl = findDecl(type, param);
    if (!decl) return;
    if (key == "values") parseNamedValues(text, &decl->values);
    if (key == "otherwise") decl->otherwise = std::string(text);
    if (key == "help") decl->help = std::string(text);
}

const NodeType& NodeTypeRegistry::add(const NodeDescriptor& descriptor, const std::string& source,
                                      const LightModel* light) {
    if (!descriptor.name || !*descriptor.name)
        throw HostError(source + ": a node type without a name");
    const std::string name = descriptor.name;
    if (!descriptor.methods || !descriptor.methods->common || !descriptor.methods->shader)
        throw HostError(source + ": node type '" + name + "' has no callbacks");
    // The other callbacks may be left out; every evaluation calls this one.
    if (!descriptor.methods->shader->evaluate)
        throw HostError(source + ": node type '" + name + "' has no evaluate callback");
    if (auto it = types_.find(name); it != types_.end())
        throw HostError(source + ": node type '" + name + "' is already registered by " +
                        it->second->source);
    auto type = std::make_unique<NodeType>();
    type->name = name;
    type->kind = descriptor.nodeKind;
    type->outputType = descriptor.outputType;
    type->methods = descriptor.methods;
    type->version.assign(descriptor.version,
                         strnlen(descriptor.version, sizeof(descriptor.version)));
    type->source = source;
    type->light = light;
    ParamList list{type.get()};
    if (auto declare = descriptor.methods->common->parameters) declare(&list, nullptr);
    if (list.outOfMemory)
        throw HostError(source + ": node type '" + name +
                        "': out of memory while declaring its parameters");
    checkKindParams(*type, source);
    const NodeType& added = *type;
    order_.push_back(type.get());
    types_.emplace(name, std::move(type));
    return added;
}

void NodeTypeRegistry::removeAfter(size_t count) {
    while (order_.size() > count) {
        types_.erase(types_.find(order_.back()->name));
        order_.pop_back();
    }
}

const NodeType* NodeTypeRegistry::find(std::string_view name) const {
    auto it = types_.find(name);
    return it == types_.end() ? nullptr : it->second.get();
}

}  // namespace host
