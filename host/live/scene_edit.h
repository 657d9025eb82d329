// Edits of a scene document: each one makes a new document from the old, which the session
// then has the scene reader check whole. Nothing here knows the node types' rules; the reader
// does.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "scene/scene.h"

namespace host {

/// Where an entity sits in a document: its section, and its place in that section's array
/// ("options" and "camera" have none).
struct EntityPlace {
    std::string section;  ///< empty: no entity of that name
    size_t index = 0;
};

/// The entity called `name` in `document`, which `scene` was read from: the names an unnamed
/// object, light or camera was given by the reader are found through `scene`.
EntityPlace findEntity(const nlohmann::ordered_json& document, const Scene& scene,
                       const std::string& name);

/// The values links replaced, by "node/param", so that an unlink can put them back.
using UnlinkedValues = std::map<std::string, nlohmann::ordered_json>;

/// `document` with `edit` made (see LiveSession::apply for the records). Throws HostError for
/// an edit that is not well-formed or names nothing the document has; the reader has not seen
/// the result yet. `unlinked` keeps the values links replaced.
nlohmann::ordered_json editedDocument(const nlohmann::ordered_json& document, const Scene& scene,
                                      const nlohmann::json& edit, UnlinkedValues& unlinked);

}  // namespace host
