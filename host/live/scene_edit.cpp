#include "live/scene_edit.h"

#include "scene/param_literal.h"
#include "universe/host_error.h"

namespace host {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

[[noreturn]] void refuse(const std::string& what) {
    throw HostError("edit: " + what);
}

std::string field(const json& edit, const char* key) {
    if (!edit.contains(key) || !edit[key].is_string() || edit[key].get<std::string>().empty())
        refuse(std::string("needs \"") + key + "\", a non-empty string");
    return edit[key].get<std::string>();
}

ordered_json& bodyAt(ordered_json& document, const EntityPlace& place) {
    if (place.section == "options" || place.section == "camera") {
        if (!document.contains(place.section)) document[place.section] = ordered_json::object();
        return document[place.section];
    }
    return document[place.section][place.index];
}

bool isLink(const ordered_json& value) {
    return value.is_object() && value.contains("link");
}

/// A name for an added object or light that none of the scene's nodes nor the document's
/// entries has: its type, then a number.
std::string freeName(const ordered_json& document, const Scene& scene, const std::string& stem) {
    auto taken = [&](const std::string& name) {
        if (scene.universe->findNode(name)) return true;
        for (const char* section : {"nodes", "objects", "lights"})
            if (document.contains(section) && document[section].is_array())
                for (const auto& entry : document[section])
                    if (entry.is_object() && entry.value("name", ordered_json()) == name)
                        return true;
        return false;
    };
    for (int n = 1;; ++n)
        if (!taken(stem + std::to_string(n))) return stem + std::to_string(n);
}

}  // namespace

EntityPlace findEntity(const ordered_json& document, const Scene& scene, const std::string& name) {
    if (name == "options") return {"options", 0};
    if (scene.camera && scene.camera->name == name) return {"camera", 0};
    // The reader accepted every entry, so the scene's roles are the sections' entries in order.
    for (size_t i = 0; i < scene.objects.size(); ++i)
        if (scene.objects[i]->name == name) return {"objects", i};
    for (size_t i = 0; i < scene.lights.size(); ++i)
        if (scene.lights[i].node->name == name) return {"lights", i};
    if (document.contains("nodes") && document["nodes"].is_array()) {
        const ordered_json& nodes = document["nodes"];
        for (size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].is_object() && nodes[i].value("name", ordered_json()) == name)
                return {"nodes", i};
    }
    return {};
}

ordered_json editedDocument(const ordered_json& document, const Scene& scene, const json& edit,
                            UnlinkedValues& unlinked) {
    if (!edit.is_object()) refuse("expected a JSON object with \"op\", found " + quoteJson(edit));
    const std::string op = field(edit, "op");
    ordered_json edited = document;

    if (op == "set" || op == "unlink") {
        const std::string name = field(edit, "node");
        const std::string param = field(edit, "param");
        const EntityPlace place = findEntity(document, scene, name);
        if (place.section.empty()) refuse("the scene has no node, object or light '" + name + "'");
        if (param == "name")
            refuse("a node's name is not a parameter: remove it and add it under another name");
        ordered_json& body = bodyAt(edited, place);
        const std::string key = name + "/" + param;
        if (op == "set") {
            if (!edit.contains("value")) refuse("\"set\" needs a \"value\"");
            const ordered_json value = edit["value"];
            if (isLink(value) && body.contains(param) && !isLink(body[param]))
                unlinked[key] = body[param];
            body[param] = value;
        } else {
            if (!body.contains(param) || !isLink(body[param]))
                refuse("parameter '" + param + "' of '" + name + "' is not linked");
            const auto before = unlinked.find(key);
            if (before != unlinked.end())
                body[param] = before->second;
            else
                body.erase(param);
        }
    } else if (op == "add") {
        const std::string section = field(edit, "section");
        if (section != "nodes" && section != "objects" && section != "lights")
            refuse("\"section\" is one of nodes, objects, lights; found '" + section + "'");
        if (!edit.contains("entity") || !edit["entity"].is_object())
            refuse("\"add\" needs an \"entity\", an object written as in a scene file");
        ordered_json entity = edit["entity"];
        // Named, so that it can be found again to be edited or removed.
        if (!entity.contains("name") && entity.contains("type") && entity["type"].is_string())
            entity["name"] = freeName(document, scene, entity["type"].get<std::string>());
        if (!edited.contains(section)) edited[section] = ordered_json::array();
        if (!edited[section].is_array()) refuse("the scene's \"" + section + "\" is not an array");
        edited[section].push_back(entity);
    } else if (op == "remove") {
        const std::string name = field(edit, "node");
        const EntityPlace place = findEntity(document, scene, name);
        if (place.section.empty()) refuse("the scene has no node, object or light '" + name + "'");
        if (place.section == "options" || place.section == "camera")
            refuse("the " + place.section + " cannot be removed; set its parameters instead");
        ordered_json& list = edited[place.section];
        list.erase(list.begin() + static_cast<long>(place.index));
    } else {
        refuse("unknown \"op\" '" + op + "'; expected set, unlink, add or remove");
    }
    return edited;
}

}  // namespace host
