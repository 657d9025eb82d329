// What differs between two scene documents, entity by entity and parameter by parameter, as a
// page lists what an unsaved session would change in the file.
#pragma once

#include <nlohmann/json.hpp>

namespace host {

/// {"changed":bool, "entries":[{"section","name","param"(optional),"disk":V|null,
/// "session":V|null}]}: each parameter of an entity in both that differs; a whole entity where
/// one document lacks it (objects, lights and nodes are matched by name, unnamed ones by
/// place); "plugins" as a whole. `disk` is what the file holds, `session` the edited document.
nlohmann::json documentDifferences(const nlohmann::ordered_json& disk,
                                   const nlohmann::ordered_json& session);

}  // namespace host
