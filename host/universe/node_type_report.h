// Describing node types and their parameters for people: text, JSON and Markdown.
#pragma once

#include <string>
#include <vector>

#include "universe/node_type.h"

namespace host {

/// "shader", "light", ...
const char* kindName(int32_t kind);

/// Where types[i] stands among the types of its own source: its NodeLoader index for a
/// plug-in's type.
size_t indexInSource(const std::vector<const NodeType*>& types, size_t i);

/// One block per type: index, name, kind, output type, version, then one line per parameter,
/// ending with its help after "--".
std::string describeText(const std::vector<const NodeType*>& types);
/// An array of {index, name, kind, output, version, source, parameters: [{index, name, type,
/// default, oncePerUpdate, min, max, values, otherwise (each when known), help}]}.
std::string describeJson(const std::vector<const NodeType*>& types);
/// The parameter table of one type, as a Markdown table with a one-line header above it: with
/// each parameter, whether the node reads it once per update, the values it means and what it
/// does. The host's own types are marked as such.
std::string describeMarkdown(const NodeType& type, int index);

/// Rewrites every block of `document` that stands between "<!-- orv-info NAME -->" and
/// "<!-- /orv-info -->" with describeMarkdown of type NAME, leaving all other text as it is.
/// Throws HostError for a block naming an unknown type or one left open.
std::string updateDocument(const std::string& document, const std::vector<const NodeType*>& types);

}  // namespace host
