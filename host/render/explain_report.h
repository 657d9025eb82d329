// An ExplainRecorder's events as the nested JSON that orv-shade --explain prints.
#pragma once

#include <nlohmann/json.hpp>

#include "shading/explain_recorder.h"

namespace host {

/// The tree of `recorder`'s events: nodes as {"node", "type", "output"} (a light filter's as
/// {"node", "type", "lightIntensity", "filteredIntensity"}), messages as {"message", "kind":
/// "set" or "lookup", "found"}, rays as {"ray": its type, "cast": "trace" or "probe", "origin",
/// "direction", "hit": the object or null, "distance", "color"}, light samples as {"light",
/// "intensity", "filteredIntensity"}; what happened inside one is in its "calls". The top is
/// the first event (the node shaded), or an array when there are several. `rootIsFilter`: the
/// top node was evaluated as a light filter.
nlohmann::ordered_json explainJson(const ExplainRecorder& recorder, bool rootIsFilter);

}  // namespace host
