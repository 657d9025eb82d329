#include "scene/scene_reader.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "geometry/object_reach.h"
#include "scene/closest_name.h"
#include "scene/environment_loop.h"
#include "scene/json_reader.h"
#include "scene/param_literal.h"
#include "scene/scene_error.h"
#include "shading/output_color.h"
#include "tracing/light_models.h"
#include "universe/diagnostics.h"
#include "universe/node_kinds.h"
#include "universe/plugin_loader.h"
#include "universe/plugin_search.h"
#include "universe/printable.h"
#include "universe/text_file.h"

namespace host {

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

/// Past this many problems the rest are most likely consequences of the first ones.
constexpr size_t kMaxProblems = 50;

enum class Role { Node, Object, Light, Camera, Options };

/// One node of the file awaiting its parameters.
struct Entity {
    Role role;
    const json* body;
    Node* node = nullptr;
    std::string label;     ///< "node 'st' (orv_radio_station)", "camera", ...
    bool refused = false;  ///< some parameter was refused, so others are checked against defaults
};

const char* roleWord(Role role) {
    switch (role) {
        case Role::Node:
            return "node";
        case Role::Object:
            return "object";
        case Role::Light:
            return "light";
        case Role::Camera:
            return "camera";
        case Role::Options:
            return "options";
    }
    return "node";
}

/// Keys of an entry that are not parameters of its type.
std::vector<std::string> reservedKeys(Role role) {
    switch (role) {
        case Role::Node:
            return {"type", "name"};
        case Role::Object:
            return {"type", "name", "user"};
        case Role::Light:
            return {"type", "name", "filters"};
        case Role::Camera:
            return {"type"};
        case Role::Options:
            return {};
    }
    return {};
}

/// Vectors in double, so that the squares of finite floats neither overflow nor vanish.
struct Vec3 {
    double x, y, z;
};
Vec3 widen(const Vector& v) {
    return {v.x, v.y, v.z};
}
Vec3 minus(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(const Vec3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

class SceneReader {
  public:
    SceneReader(std::string fileName, std::string baseDir)
        : fileName_(std::move(fileName)), baseDir_(std::move(baseDir)) {}

    std::unique_ptr<Scene> read(const std::string& text, const SceneReadOptions& options) {
        json root = parse(text);
        if (!root.is_object())
            fail(fileName_ +
                 ": a scene is a JSON object with sections options, camera, "
                 "objects, lights, nodes and plugins; found " +
                 quoteJson(root));

        owned_ = std::make_unique<Scene>();
        scene_ = owned_.get();
        scene_->path = fileName_;
        scene_->universe = std::make_unique<Universe>();
        universe_ = scene_->universe.get();
        if (options.registerTypes) options.registerTypes(universe_->registry());

        checkSections(root);
        const size_t before = problemCount_;
        loadPlugins(root, options);
        // Without its types the rest of the file would only add noise.
        if (problemCount_ != before) fail();

        declareEntities(root);
        for (Entity& entity : entities_)
            if (entity.node) {
                const size_t problemsBefore = problemCount_;
                readParams(entity);
                entity.refused = problemCount_ != problemsBefore;
            }
        for (Entity& entity : entities_)
            if (entity.node) readExtras(entity);
        applyLinks();
        checkEnvironmentLoops();
        checkFilterLoops();
        warnDifferingEnvironments();
        for (Entity& entity : entities_)
            if (entity.node) validate(entity);
        if (problemCount_ > 0) fail();
        return std::move(owned_);
    }

    /// One parameter of one entry of an accepted scene, checked as read() checks it in a file:
    /// see setCheckedParam.
    ParamEdit setParam(Scene& scene, Node& node, const std::string& param, const json* value) {
        scene_ = &scene;
        universe_ = scene.universe.get();
        Entity entity{roleOf(node), nullptr, &node, node.name};
        if (entity.role == Role::Camera && &node != scene.camera) return ParamEdit::Whole;
        entity.label = entity.role == Role::Camera ? std::string("camera")
                       : entity.role == Role::Options
                           ? std::string("options")
                           : std::string(roleWord(entity.role)) + " '" + node.name + "' (" +
                                 node.type->name + ")";
        const std::vector<std::string> reserved = reservedKeys(entity.role);
        const int index = node.type->findParam(param);
        if (index < 0 || std::find(reserved.begin(), reserved.end(), param) != reserved.end())
            return ParamEdit::Whole;
        const ParamDecl& decl = node.type->params[static_cast<size_t>(index)];
        // A node or a link changes networks, which other entries' checks walk.
        if (decl.defaultValue.type == kTypeNode || node.links[static_cast<size_t>(index)] ||
            (value && value->is_object() && value->contains("link")))
            return ParamEdit::Whole;
        // Whether a node looks up the environment is a check across the objects.
        if (looksUpEnvironment(&node)) return ParamEdit::Whole;
        // Warnings are kept per kind across the scene: only an entry that warns of nothing
        // before and after is sure to leave them as they are.
        quiet_ = true;
        validate(entity);
        if (quietWarnings_ > 0 || problemCount_ > 0) return ParamEdit::Whole;

        const ParamValue before = node.values[static_cast<size_t>(index)];
        const bool stale = node.needsUpdate;
        auto restore = [&] {
            node.values[static_cast<size_t>(index)] = before;
            node.needsUpdate = stale;
        };
        // As a fresh read holds it: the default, then what the file says.
        node.values[static_cast<size_t>(index)] = decl.defaultValue;
        if (value) readParam(entity, param, decl.defaultValue.type, *value);
        entity.refused = problemCount_ > 0;
        validate(entity);
        if (problemCount_ > 0) {
            restore();
            fail();
        }
        if (quietWarnings_ > 0 || looksUpEnvironment(&node)) {
            restore();
            return ParamEdit::Whole;
        }
        node.needsUpdate = true;
        return ParamEdit::Applied;
    }

  private:
    /// Throws what was found: the problems kept, and a line counting the rest.
    [[noreturn]] void fail() {
        if (problemCount_ > problems_.size())
            problems_.push_back(fileName_ + ": ... and " +
                                std::to_string(problemCount_ - problems_.size()) +
                                " more problems");
        throw SceneError(std::move(problems_), problemCount_);
    }
    [[noreturn]] void fail(const std::string& only) {
        problems_.assign(1, only);
        problemCount_ = 1;
        fail();
    }

    /// Only the problems shown are kept, the rest counted, so that a file of millions of
    /// mistakes costs no more memory than one of fifty.
    void problem(const std::string& where, const std::string& what) {
        if (problemCount_++ >= kMaxProblems) return;
        problems_.push_back(
            shortenQuotedNames(fileName_ + ": " + (where.empty() ? "" : where + ": ") + what));
    }

    /// " (did you mean 'x'?)"; nothing once enough problems are found that no more are shown,
    /// since each suggestion compares against every name.
    std::string suggestion(const std::string& name, const std::vector<std::string>& among) const {
        if (problemCount_ >= kMaxProblems) return "";
        const std::string close = closestName(name, among);
        return close.empty() ? "" : " (did you mean '" + close + "'?)";
    }

    json parse(const std::string& text) {
        try {
            return parseJsonText(text, fileName_);
        } catch (const HostError& e) {
            fail(e.what());
        }
    }

    void checkSections(const json& root) {
        static const std::vector<std::string> kSections = {"options", "camera", "objects",
                                                           "lights",  "nodes",  "plugins"};
        for (auto it = root.begin(); it != root.end(); ++it)
            if (std::find(kSections.begin(), kSections.end(), it.key()) == kSections.end())
                problem("", "unknown section '" + it.key() + "'" + suggestion(it.key(), kSections) +
                                "; a scene has options, camera, objects, lights, nodes, plugins");
    }

    std::string resolvePath(const std::string& path) const {
        fs::path p(path);
        if (p.is_relative()) p = fs::absolute(fs::path(baseDir_) / p);
        return p.lexically_normal().string();
    }

    void loadPlugins(const json& root, const SceneReadOptions& options) {
        std::vector<std::string> modules;
        if (options.loadDefaultPlugin) {
            loadModules({defaultPluginPath()});
            try {
                loadSearchPathPlugins(universe_->registry());
            } catch (const HostError& e) {
                problem("ORV_PLUGIN_PATH", e.what());
            }
        }
        for (const std::string& path : options.plugins) modules.push_back(path);
        if (root.contains("plugins")) {
            const json& list = root["plugins"];
            if (!list.is_array()) {
                problem("plugins", "expected an array of module paths, found " + quoteJson(list));
            } else {
                for (const json& entry : list) {
                    if (!entry.is_string()) {
                        problem("plugins", "expected a module path, found " + quoteJson(entry));
                        continue;
                    }
                    const std::string path = resolvePath(entry.get<std::string>());
                    if (!fs::exists(path)) {
                        problem("plugins", "no such file '" + entry.get<std::string>() +
                                               "' (looked for " + path + ")");
                        continue;
                    }
                    modules.push_back(path);
                }
            }
        }
        loadModules(modules);
    }

    void loadModules(const std::vector<std::string>& modules) {
        for (const std::string& path : modules) {
            try {
                universe_->loadPlugin(path);
            } catch (const HostError& e) {
                problem("plugin '" + path + "'", e.what());
            }
        }
    }

    std::vector<std::string> typeNames(int32_t kind) const {
        std::vector<std::string> names;
        for (const NodeType* type : universe_->registry().all())
            if (type->kind == kind && (kind != kNodeLight || type->light))
                names.push_back(type->name);
        return names;
    }

    static std::string joined(const std::vector<std::string>& names) {
        std::string text;
        for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
        return text;
    }

    /// The registered type an entry names, or null after reporting why not.
    const NodeType* entryType(Role role, const json& body, const std::string& where) {
        int32_t kind = kNodeShader;
        if (role == Role::Object) kind = kNodeShape;
        if (role == Role::Light) kind = kNodeLight;
        if (role == Role::Camera) kind = kNodeCamera;
        std::string name;
        if (!body.contains("type")) {
            if (role != Role::Camera) {
                problem(where, "needs a \"type\", one of " + joined(typeNames(kind)));
                return nullptr;
            }
            name = "perspective_camera";
        } else if (!body["type"].is_string()) {
            problem(where, "\"type\" must be a string, found " + quoteJson(body["type"]));
            return nullptr;
        } else {
            name = body["type"].get<std::string>();
        }
        const NodeType* type = universe_->registry().find(name);
        // Lights and the camera may drop the suffix: "spot", "perspective".
        if (!type && role == Role::Light) type = universe_->registry().find(name + "_light");
        if (!type && role == Role::Camera) type = universe_->registry().find(name + "_camera");
        if (!type) {
            problem(where, "unknown type '" + name + "'" + suggestion(name, typeNames(kind)) +
                               "; expected one of " + joined(typeNames(kind)));
            return nullptr;
        }
        if (type->kind != kind) {
            problem(where, "type '" + name + "' is not " +
                               (role == Role::Node     ? std::string("a shader")
                                : role == Role::Object ? std::string("an object type")
                                : role == Role::Light  ? std::string("a light type")
                                                       : std::string("a camera type")) +
                               "; " + roleWord(role) + "s take one of " + joined(typeNames(kind)));
            return nullptr;
        }
        if (kind == kNodeLight && !type->light) {
            problem(where, "light type '" + name + "' is not one the renderer can place; " +
                               "lights take one of " + joined(typeNames(kind)));
            return nullptr;
        }
        return type;
    }

    void declareSection(const json& root, const char* section, Role role) {
        if (!root.contains(section)) return;
        const json& list = root[section];
        if (!list.is_array()) {
            problem(section, std::string("expected an array of ") + roleWord(role) + "s, found " +
                                 quoteJson(list));
            return;
        }
        for (size_t i = 0; i < list.size(); ++i) {
            const json& body = list[i];
            const std::string at = std::string(section) + "[" + std::to_string(i) + "]";
            if (!body.is_object()) {
                problem(at, std::string("expected a ") + roleWord(role) + " object, found " +
                                quoteJson(body));
                continue;
            }
            std::string name;
            if (body.contains("name")) {
                if (!body["name"].is_string() || body["name"].get<std::string>().empty()) {
                    problem(at, "\"name\" must be a non-empty string, found " +
                                    quoteJson(body["name"]));
                    continue;
                }
                name = body["name"].get<std::string>();
            } else if (role == Role::Node) {
                problem(at, "a node needs a \"name\" so that others can link to it");
                continue;
            }
            const std::string where =
                name.empty() ? at : std::string(roleWord(role)) + " '" + name + "'";
            const NodeType* type = entryType(role, body, where);
            if (!type) continue;
            pending_.push_back({role, &body, nullptr, where});
            pendingNames_.push_back(name);
            pendingTypes_.push_back(type);
        }
    }

    void declareEntities(const json& root) {
        if (root.contains("camera") && !root["camera"].is_object())
            problem("camera", "expected an object, found " + quoteJson(root["camera"]));
        if (root.contains("options") && !root["options"].is_object())
            problem("options", "expected an object, found " + quoteJson(root["options"]));

        declareSection(root, "nodes", Role::Node);
        declareSection(root, "objects", Role::Object);
        declareSection(root, "lights", Role::Light);
        static const json kEmpty = json::object();
        const json& cameraBody =
            root.contains("camera") && root["camera"].is_object() ? root["camera"] : kEmpty;
        if (const NodeType* type = entryType(Role::Camera, cameraBody, "camera")) {
            pending_.push_back({Role::Camera, &cameraBody, nullptr, "camera"});
            pendingNames_.push_back("");
            pendingTypes_.push_back(type);
        }

        // Named entries first, so that generated names never take a name the file uses; the
        // roles keep the file's order.
        std::vector<Entity> created(pending_.size());
        for (int pass = 0; pass < 2; ++pass)
            for (size_t i = 0; i < pending_.size(); ++i) {
                const bool named = !pendingNames_[i].empty();
                if (named != (pass == 0)) continue;
                Entity entity = pending_[i];
                const NodeType* type = pendingTypes_[i];
                std::string name = pendingNames_[i];
                if (!named) name = freeName(entity.role == Role::Camera ? "camera" : type->name);
                try {
                    entity.node = universe_->createNode(type->name, name);
                } catch (const HostError&) {
                    problem(entity.label, "the name '" + name +
                                              "' is already taken: nodes, objects and lights "
                                              "share one set of names");
                    continue;
                }
                if (entity.role != Role::Camera)
                    entity.label =
                        std::string(roleWord(entity.role)) + " '" + name + "' (" + type->name + ")";
                created[i] = entity;
            }
        for (const Entity& entity : created)
            if (entity.node) entities_.push_back(entity);

        static const json kNoOptions = json::object();
        const json& optionsBody =
            root.contains("options") && root["options"].is_object() ? root["options"] : kNoOptions;
        entities_.push_back({Role::Options, &optionsBody, universe_->options(), "options"});

        for (const Entity& entity : entities_) {
            if (entity.role == Role::Object) scene_->objects.push_back(entity.node);
            if (entity.role == Role::Light) {
                lightIndex_[entity.node] = scene_->lights.size();
                scene_->lights.push_back({entity.node, {}});
            }
            if (entity.role == Role::Camera) scene_->camera = entity.node;
        }
    }

    /// The stem, or the stem with the lowest number after it that is free. Numbers tried once
    /// are not tried again, so naming n unnamed objects costs n lookups, not n squared.
    std::string freeName(const std::string& stem) {
        int& next = nextSuffix_[stem];
        if (next == 0) {
            next = 1;
            if (!universe_->findNode(stem)) return stem;
        }
        for (;; ++next) {
            const std::string name = stem + std::to_string(next);
            if (!universe_->findNode(name)) {
                ++next;
                return name;
            }
        }
    }

    std::vector<std::string> nodeNames() const {
        if (problemCount_ >= kMaxProblems) return {};
        // Only names that may be suggested, and no more than one search compares.
        constexpr size_t kMostCompared = 65536;
        std::vector<std::string> names;
        for (const auto& node : universe_->nodes())
            if (node->name.size() <= kMaxSuggestedName && names.size() < kMostCompared)
                names.push_back(node->name);
        return names;
    }

    /// The shader node `name` refers to, or null after reporting why there is none.
    Node* shaderNamed(const std::string& name, const std::string& where, const std::string& what) {
        Node* node = universe_->findNode(name);
        if (!node) {
            problem(where, what + " names '" + name + "', but the scene has no node of that name" +
                               suggestion(name, nodeNames()));
            return nullptr;
        }
        if (node->type->kind != kNodeShader) {
            problem(where, what + " names '" + name + "', which is a " + node->type->name +
                               ", not a shader node");
            return nullptr;
        }
        return node;
    }

    void readParams(Entity& entity) {
        const NodeType& type = *entity.node->type;
        const std::vector<std::string> reserved = reservedKeys(entity.role);
        for (auto it = entity.body->begin(); it != entity.body->end(); ++it) {
            const std::string& key = it.key();
            if (std::find(reserved.begin(), reserved.end(), key) != reserved.end()) continue;
            const int index = type.findParam(key);
            if (index < 0) {
                std::vector<std::string> known = reserved;
                for (const ParamDecl& decl : type.params) known.push_back(decl.name);
                problem(entity.label,
                        "unknown parameter '" + key + "'" + suggestion(key, known) + "; " +
                            type.name + " has " +
                            joined(std::vector<std::string>(
                                known.begin() + static_cast<long>(reserved.size()), known.end())));
                continue;
            }
            readParam(entity, key, type.params[index].defaultValue.type, it.value());
        }
    }

    void readParam(Entity& entity, const std::string& param, uint8_t type, const json& value) {
        const std::string where = entity.label + ": parameter '" + param + "'";
        if (value.is_object() && value.contains("link")) {
            if (value.size() != 1 || !value["link"].is_string()) {
                problem(where,
                        "a link is written {\"link\": \"nodeName\"}, found " + quoteJson(value));
                return;
            }
            if (entity.role != Role::Node) {
                problem(where, std::string("takes a value, not a link: only shader nodes are "
                                           "evaluated per sample, and this is the ") +
                                   roleWord(entity.role));
                return;
            }
            links_.push_back({entity.node, param, value["link"].get<std::string>(), where});
            return;
        }
        ParamValue parsed;
        bool ok = false;
        if (type == kTypeNode) {
            if (value.is_null()) {
                parsed = ParamValue::makeNode(nullptr);
                ok = true;
            } else if (value.is_string()) {
                Node* node = shaderNamed(value.get<std::string>(), where, "the value");
                if (!node) return;
                parsed = ParamValue::makeNode(node);
                ok = true;
            }
        } else if (type == kTypeString) {
            if (value.is_string()) {
                std::string text = value.get<std::string>();
                if (isFileParameter(param)) {
                    const std::string path = resolvePath(text);
                    std::error_code ec;
                    const fs::file_status status = fs::status(path, ec);
                    if (!fs::is_regular_file(status)) {
                        const std::string what =
                            fs::is_directory(status) ? "'" + text + "' is a folder, not a file"
                            : fs::exists(status)     ? "'" + text + "' is not a regular file"
                                                     : "no such file '" + text + "'";
                        problem(where, what + " (looked for " + path + ")");
                        return;
                    }
                    text = path;
                }
                parsed = ParamValue::makeString(universe_->intern(text));
                ok = true;
            }
        } else {
            ok = readParamLiteral(value, type, &parsed);
        }
        if (!ok) {
            const std::string range = literalRangeProblem(value, type);
            if (!range.empty()) {
                problem(where, std::string("is ") + typeName(type) + ": " + quoteJson(value) + " " +
                                   range);
                return;
            }
            std::string expected = describeLiteral(type);
            if (entity.role == Role::Node && type != kTypeNode && type != kTypeString)
                expected += ", or {\"link\": \"nodeName\"}";
            problem(where, std::string("is ") + typeName(type) + ": expected " + expected +
                               ", found " + quoteJson(value));
            return;
        }
        try {
            universe_->setParam(entity.node, param, parsed);
        } catch (const HostError& e) {
            problem(where, e.what());
        }
    }

    void readExtras(Entity& entity) {
        if (entity.role == Role::Object && entity.body->contains("user")) readUser(entity);
        if (entity.role == Role::Light && entity.body->contains("filters")) readFilters(entity);
    }

    /// User parameters: a string names a node; a whole number is an int, any other number a
    /// float; true/false a bool; [x, y, z] a vector.
    void readUser(Entity& entity) {
        const json& user = (*entity.body)["user"];
        if (!user.is_object()) {
            problem(entity.label,
                    "\"user\" holds user parameters by name, found " + quoteJson(user));
            return;
        }
        for (auto it = user.begin(); it != user.end(); ++it) {
            const std::string where = entity.label + ": user parameter '" + it.key() + "'";
            const json& value = it.value();
            ParamValue parsed;
            if (value.is_string()) {
                Node* node = shaderNamed(value.get<std::string>(), where, "the value");
                if (!node) continue;
                parsed = ParamValue::makeNode(node);
            } else if (value.is_boolean()) {
                parsed = ParamValue::makeBool(value.get<bool>());
            } else if (value.is_number_integer()) {
                if (!readParamLiteral(value, kTypeInt, &parsed)) {
                    problem(where, "does not fit a 32-bit int: " + quoteJson(value));
                    continue;
                }
            } else if (value.is_number()) {
                if (!readParamLiteral(value, kTypeFloat, &parsed)) {
                    problem(where, quoteJson(value) + " " + literalRangeProblem(value, kTypeFloat));
                    continue;
                }
            } else if (!literalRangeProblem(value, kTypeVector).empty()) {
                problem(where, quoteJson(value) + " " + literalRangeProblem(value, kTypeVector));
                continue;
            } else if (!readParamLiteral(value, kTypeVector, &parsed)) {
                problem(where,
                        "expected the name of a node, a number, true or false, or "
                        "[x, y, z]; found " +
                            quoteJson(value));
                continue;
            }
            universe_->setUserParam(entity.node, it.key(), parsed);
        }
    }

    void readFilters(Entity& entity) {
        const json& list = (*entity.body)["filters"];
        const std::string where = entity.label + ": \"filters\"";
        if (!list.is_array()) {
            problem(where,
                    "expected an array of light filter node names, found " + quoteJson(list));
            return;
        }
        SceneLight* light = &scene_->lights[lightIndex_.at(entity.node)];
        for (const json& name : list) {
            if (!name.is_string()) {
                problem(where,
                        "expected the name of a light filter node, found " + quoteJson(name));
                continue;
            }
            if (Node* filter = shaderNamed(name.get<std::string>(), where, "a filter"))
                light->filters.push_back(filter);
        }
    }

    void applyLinks() {
        std::map<std::pair<const Node*, int>, const PendingLink*> madeLinks;
        for (const PendingLink& link : links_) {
            Node* source = universe_->findNode(link.source);
            if (!source) {
                problem(link.where, "links to '" + link.source +
                                        "', but the scene has no node of that name" +
                                        suggestion(link.source, nodeNames()));
                continue;
            }
            if (source->type->kind != kNodeShader) {
                problem(link.where, "links to '" + link.source + "', which is a " +
                                        source->type->name + ", not a shader node");
                continue;
            }
            try {
                universe_->link(link.target, link.param, source, false);
                madeLinks.emplace(
                    std::make_pair(link.target, link.target->type->findParam(link.param)), &link);
            } catch (const HostError& e) {
                problem(link.where, e.what());
            }
        }
        // One walk over the whole network finds every cycle, where a check per link would walk
        // what feeds each link's source again and again.
        for (const Universe::CutLink& cut : universe_->cutCycles()) {
            const PendingLink& link = *madeLinks.at({cut.target, cut.param});
            problem(link.where, cut.source == cut.target
                                    ? "links node '" + cut.source->name + "' to itself: a cycle"
                                    : "links to '" + cut.source->name +
                                          "', which is fed, directly or not, by node '" +
                                          cut.target->name + "' itself: a cycle");
        }
    }

    /// An object's environment whose network looks up the environment again would, shaded
    /// on that object, evaluate itself without end.
    void checkEnvironmentLoops() {
        EnvironmentLookupFinder finder;
        for (const Entity& entity : entities_) {
            if (entity.role != Role::Object) continue;
            const UserParamEntry* environment = entity.node->findUserParam("environment");
            if (!environment || environment->value.type != kTypeNode || !environment->value.node)
                continue;
            const Node* root = environment->value.node;
            if (const Node* lookup = finder.find(root))
                problem(entity.label + ": user parameter 'environment'",
                        "names '" + root->name + "', whose network holds node '" + lookup->name +
                            "' (" + lookup->type->name +
                            ") that looks up this object's environment: shaded on this object "
                            "it would evaluate '" +
                            root->name + "' again, a cycle without end");
        }
    }

    /// A node that reads the environment once per update shows the first object's on all.
    void warnDifferingEnvironments() {
        for (const EnvironmentMismatch& m :
             differingEnvironments(universe_->nodes(), scene_->objects)) {
            auto named = [](const Node* object) {
                const Node* environment = environmentOf(object);
                return "'" + object->name + "' (" +
                       (environment ? "'" + environment->name + "'" : std::string("none")) + ")";
            };
            constexpr size_t kShown = 3;
            std::string others;
            for (size_t i = 0; i < m.differing.size() && i < kShown; ++i)
                others += (i == 0 ? "" : ", ") + named(m.differing[i]);
            if (m.differing.size() > kShown || m.perhapsMore) others += " and others";
            warn("environment read once", m.lookup, m.param,
                 "node '" + m.lookup->name + "' (" + m.lookup->type->name + "): parameter '" +
                     m.param + "'",
                 "is " + std::to_string(m.value) +
                     ": the node reads the shaded object's user parameter 'environment' once "
                     "per update, on the first object it is shaded on, " +
                     named(m.first) + "; " + (m.differing.size() == 1 ? "object " : "objects ") +
                     others +
                     (m.differing.size() == 1 ? " names another and shows"
                                              : " name another and show") +
                     " that one too");
        }
    }

    /// A light filter whose network holds a lit surface would, evaluated for a light, light
    /// the point through every light again and evaluate each one's filters, itself among them:
    /// a cycle without end that, with two lights, doubles at every turn.
    void checkFilterLoops() {
        NetworkFinder finder(lightsThroughLights);
        for (const Entity& entity : entities_) {
            if (entity.role != Role::Light) continue;
            for (const Node* filter : scene_->lights[lightIndex_.at(entity.node)].filters)
                if (const Node* lit = finder.find(filter))
                    problem(entity.label + ": \"filters\"",
                            "lists '" + filter->name + "', whose network holds node '" + lit->name +
                                "' (" + lit->type->name +
                                "), lit by the lights and their filters: evaluating it for a "
                                "light would evaluate '" +
                                filter->name + "' again, a cycle");
        }
    }

    /// Refuses a value outside [low, high], saying that range as it is checked: the message
    /// is made from the bounds, so it cannot drift from them. A float is compared with the
    /// bounds as floats, so that a bound written in the file (1e30) is itself accepted.
    void checkRange(const Entity& entity, const char* param, double low, double high,
                    const char* unit) {
        if (entity.node->type->findParam(param) < 0) return;
        const ParamValue& v = storedValue(*entity.node, param);
        const bool inside = v.type == kTypeInt ? v.integer >= low && v.integer <= high
                                               : v.flt >= static_cast<float>(low) &&
                                                     v.flt <= static_cast<float>(high);
        if (!inside) {
            std::ostringstream what;
            what << "is " << formatValue(v) << "; expected " << low << " to " << high
                 << (*unit ? " " : "") << unit;
            problem(entity.label + ": parameter '" + param + "'", what.str());
        }
    }

    void validate(const Entity& entity) {
        const Node* node = entity.node;
        switch (entity.role) {
            case Role::Options:
                checkRange(entity, "xres", 1, 16384, "pixels");
                checkRange(entity, "yres", 1, 16384, "pixels");
                checkRange(entity, "samples", 1, 65536, "samples per pixel");
                checkRange(entity, "threads", 0, 255, "threads (0: all cores)");
                checkRange(entity, "rayDepth", 0, 64, "");
                warnNonColourShader(entity, "background");
                break;
            case Role::Camera: {
                checkRange(entity, "fov", 1e-3, 179.0, "degrees");
                // With a point refused, the others would be judged against its default.
                if (entity.refused) break;
                const Vec3 up = widen(node->values[kCameraUp].vec);
                const Vec3 d = minus(widen(node->values[kCameraLookAt].vec),
                                     widen(node->values[kCameraPosition].vec));
                if (!(length(d) > 1e-6))
                    problem("camera: parameter 'lookAt'",
                            "is the camera's position; expected a "
                            "point to look at elsewhere");
                else if (!(length(cross(d, up)) > 1e-6 * length(d) * length(up)))
                    problem("camera: parameter 'up'",
                            "is zero or along the view direction; expected a vector across it");
                break;
            }
            case Role::Object:
                checkSize(entity, "radius", "the sphere");
                checkSize(entity, "size", "the plane");
                if (const Vector scale = node->values[kObjectScale].vec;
                    scale.x == 0 || scale.y == 0 || scale.z == 0)
                    warn("zero scale", node, "scale", entity.label + ": parameter 'scale'",
                         "is " + formatValue(node->values[kObjectScale]) +
                             ": the object is flattened to nothing along an axis");
                if (!entity.refused) checkReach(entity);
                warnNonColourShader(entity, "shader");
                warnNonColourEnvironment(entity);
                break;
            case Role::Light:
                checkRange(entity, "intensity", 0, 1e30, "");
                if (const LightModel* model = node->type->light) {
                    if (model->aim && !(length(widen(storedValue(*node, model->aim).vec)) > 1e-6))
                        problem(entity.label + ": parameter '" + model->aim + "'",
                                std::string("is zero; expected the direction the ") + model->name +
                                    " points in");
                    for (int i = 0; i < model->rangeCount; ++i) {
                        const LightRange& range = model->ranges[i];
                        checkRange(entity, range.param, range.low, range.high, range.unit);
                    }
                }
                break;
            default:
                break;
        }
        warnNegativeColours(entity);
        checkAgainstParamTables(entity);
    }

    /// What the type's parameter table says of each parameter: a stored value outside the values
    /// the node means takes the node's fallback; a link into a parameter the node reads once per
    /// update gives every sample the value of the one sample the node is set up on.
    void checkAgainstParamTables(const Entity& entity) {
        const Node* node = entity.node;
        for (size_t i = 0; i < node->values.size(); ++i) {
            const ParamDecl& decl = node->type->params[i];
            const Node* source = node->links[i];
            if (source ? !decl.oncePerUpdate : decl.means(node->values[i])) continue;
            const std::string kind =
                (source ? "once per update " : "not meant ") + node->type->name + "." + decl.name;
            const std::string where = entity.label + ": parameter '" + decl.name + "'";
            // Counted only: the message of the first is the one shown.
            if (warnedKinds_.count(kind)) {
                warn(kind, node, decl.name, where, "");
            } else if (source) {
                warn(kind, node, decl.name, where,
                     "is linked to '" + source->name + "' (" + source->type->name +
                         "), whose value can differ from sample to sample, but " +
                         node->type->name +
                         " reads it once per update: every sample takes its value at the one "
                         "sample the node is set up on" +
                         reachedFrom(node));
            } else {
                warn(kind, node, decl.name, where,
                     "is " + formatValue(node->values[i]) + ", outside its " +
                         (decl.values.empty() ? "range (" : "table (") + decl.meantValues() +
                         "): " +
                         (decl.otherwise.empty() ? "the node does not say what it does then"
                                                 : decl.otherwise));
            }
        }
    }

    /// " (reached from object 'a', ...)": the objects, lights and background whose networks
    /// reach `node`, in scene order, at most three named.
    std::string reachedFrom(const Node* node) {
        if (downstream_.empty())
            for (const auto& each : universe_->nodes())
                for (const Node* upstream : each->links)
                    if (upstream) downstream_[upstream].push_back(each.get());
        std::unordered_set<const Node*> reached{node};
        std::vector<const Node*> walk{node};
        while (!walk.empty()) {
            const Node* at = walk.back();
            walk.pop_back();
            if (auto it = downstream_.find(at); it != downstream_.end())
                for (const Node* next : it->second)
                    if (reached.insert(next).second) walk.push_back(next);
        }
        std::vector<std::string> roots;
        for (const Node* object : scene_->objects) {
            const int shader = object->type->findParam("shader");
            bool reaches = shader >= 0 && reached.count(object->values[shader].node) != 0;
            for (const UserParamEntry& user : object->userParams)
                reaches =
                    reaches || (user.value.type == kTypeNode && reached.count(user.value.node));
            if (reaches) roots.push_back("object '" + object->name + "'");
        }
        for (const SceneLight& light : scene_->lights)
            for (const Node* filter : light.filters)
                if (reached.count(filter)) {
                    roots.push_back("light '" + light.node->name + "'");
                    break;
                }
        if (reached.count(universe_->options()->values[kOptionBackground].node))
            roots.push_back("the background");
        if (roots.empty()) return "";
        std::string text = " (reached from ";
        for (size_t i = 0; i < roots.size() && i < 3; ++i) text += (i == 0 ? "" : ", ") + roots[i];
        if (roots.size() > 3) text += " and " + std::to_string(roots.size() - 3) + " more";
        return text + ")";
    }

    /// A radius or side length: negative (or -0) cannot be meant; zero is legal but shows nothing.
    void checkSize(const Entity& entity, const char* param, const char* object) {
        if (entity.node->type->findParam(param) < 0) return;
        const float size = storedValue(*entity.node, param).flt;
        const std::string where = entity.label + ": parameter '" + param + "'";
        if (std::signbit(size))
            problem(where, std::string("is ") +
                               (size == 0 ? "-0" : formatValue(storedValue(*entity.node, param))) +
                               "; a size cannot be negative: expected 0 or more");
        else if (size == 0)
            warn("zero size", entity.node, param, where,
                 std::string("is 0: ") + object + " has no size and shows nothing");
    }

    /// Geometry the ray tracer cannot hold would vanish from the picture without a word.
    void checkReach(const Entity& entity) {
        double reach = 0.0;
        if (const char* param = paramBeyondReach(*entity.node, nullptr, &reach))
            problem(
                entity.label + ": parameter '" + param + "'",
                "is " + formatValue(storedValue(*entity.node, param)) + ": " + reachProblem(reach));
    }

    /// A surface shows its shader's output as a colour; any other output is converted, which
    /// is most likely not what was meant.
    void warnNonColourShader(const Entity& entity, const char* param) {
        const int index = entity.node->type->findParam(param);
        if (index < 0) return;
        const ParamValue& value = entity.node->values[static_cast<size_t>(index)];
        if (value.type != kTypeNode || !value.node) return;
        const uint8_t type = value.node->type->outputType;
        if (isColorType(type)) return;
        const char* shown = type == kTypeVector ? "its x, y, z as red, green, blue"
                            : type == kTypeFloat || type == kTypeInt || type == kTypeUInt ||
                                    type == kTypeByte || type == kTypeBoolean
                                ? "it as grey"
                                : "black";
        warn("shader not a colour", entity.node, param,
             entity.label + ": parameter '" + param + "'",
             "names '" + value.node->name + "' (" + value.node->type->name + "), whose output is " +
                 typeName(type) + ", not a colour: the " +
                 (entity.role == Role::Object ? "object" : "background") + " shows " + shown);
    }

    /// orv_trace's environment lookup takes the node's output slot as a colour as it stands.
    void warnNonColourEnvironment(const Entity& entity) {
        const UserParamEntry* environment = entity.node->findUserParam("environment");
        if (!environment || environment->value.type != kTypeNode || !environment->value.node)
            return;
        const Node* named = environment->value.node;
        if (isColorType(named->type->outputType)) return;
        warn("environment not a colour", entity.node, "environment",
             entity.label + ": user parameter 'environment'",
             "names '" + named->name + "' (" + named->type->name + "), whose output is " +
                 typeName(named->type->outputType) +
                 ", not a colour: an environment lookup reads its value's bits as a colour");
    }

    void warnNegativeColours(const Entity& entity) {
        const Node* node = entity.node;
        for (size_t i = 0; i < node->values.size(); ++i) {
            const ParamValue& v = node->values[i];
            if (node->links[i] || (v.type != kTypeRGB && v.type != kTypeRGBA)) continue;
            if (v.rgba.r < 0 || v.rgba.g < 0 || v.rgba.b < 0 ||
                (v.type == kTypeRGBA && v.rgba.a < 0))
                warn("negative colour", node, node->type->params[i].name,
                     entity.label + ": parameter '" + node->type->params[i].name + "'",
                     "is " + formatValue(v) + ": a negative colour takes light away");
        }
    }

    /// Odd but legal values are warned about once per kind, at the first place found, with a
    /// count of the others: a scene of a thousand flat objects gets one line, not a thousand.
    /// The first of a kind gives the message; the others are counted under the same key.
    void warn(const std::string& kind, const Node* node, const std::string& parameter,
              const std::string& where, const std::string& what) {
        if (quiet_) {
            ++quietWarnings_;
            return;
        }
        Where place;
        place.file = fileName_;
        if (node) place.node = node->name;
        place.parameter = parameter;
        const std::string key = "scene " + fileName_ + ": " + kind;
        const std::string message = warnedKinds_.insert(kind).second
                                        ? shortenQuotedNames(fileName_ + ": " + where + ": " + what)
                                        : std::string();
        diagnostics().report(Severity::Warning, key, place, message);
    }

    struct PendingLink {
        Node* target;
        std::string param;
        std::string source;
        std::string where;
    };

    static Role roleOf(const Node& node) {
        switch (node.type->kind) {
            case kNodeShape:
                return Role::Object;
            case kNodeLight:
                return Role::Light;
            case kNodeCamera:
                return Role::Camera;
            case kNodeOptions:
                return Role::Options;
            default:
                return Role::Node;
        }
    }

    std::string fileName_;
    std::string baseDir_;
    std::unique_ptr<Scene> owned_;  ///< the scene read() makes
    Scene* scene_ = nullptr;        ///< the scene checked
    bool quiet_ = false;            ///< warnings are counted, not reported
    size_t quietWarnings_ = 0;
    Universe* universe_ = nullptr;
    std::vector<std::string> problems_;  ///< the first kMaxProblems found
    size_t problemCount_ = 0;            ///< all found
    std::vector<Entity> pending_;
    std::vector<std::string> pendingNames_;
    std::vector<const NodeType*> pendingTypes_;
    std::vector<Entity> entities_;
    std::vector<PendingLink> links_;
    std::unordered_map<std::string, int> nextSuffix_;
    std::unordered_map<const Node*, size_t> lightIndex_;
    std::unordered_set<std::string> warnedKinds_;  ///< kinds of warning given
    /// Per node, the nodes it feeds; built when first asked for.
    std::unordered_map<const Node*, std::vector<const Node*>> downstream_;
};

}  // namespace

std::unique_ptr<Scene> readSceneText(const std::string& text, const std::string& fileName,
                                     const std::string& baseDir, const SceneReadOptions& options) {
    try {
        return SceneReader(fileName, baseDir).read(text, options);
    } catch (const nlohmann::json::exception& e) {
        // The reader asks before it takes, so this is a slip of the reader's, still the file's.
        throw SceneError({fileName + ": cannot be read as a scene: " + e.what()});
    }
}

ParamEdit setCheckedParam(Scene& scene, Node& node, const std::string& param,
                          const nlohmann::json* value, const std::string& fileName,
                          const std::string& baseDir) {
    return SceneReader(fileName, baseDir).setParam(scene, node, param, value);
}

std::unique_ptr<Scene> readSceneFile(const std::string& path, const SceneReadOptions& options) {
    std::string text;
    try {
        text = readTextFile(path);
    } catch (const HostError& e) {
        throw SceneError({e.what()});
    }
    const fs::path parent = fs::path(path).parent_path();
    return readSceneText(text, path, parent.empty() ? "." : parent.string(), options);
}

bool isFileParameter(const std::string& name) {
    return name == "file" || (name.size() > 4 && name.compare(name.size() - 4, 4, "File") == 0);
}

}  // namespace host
