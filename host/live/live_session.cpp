#include "live/live_session.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unordered_map>

#include <time.h>

#include "builtin/host_node_types.h"
#include "live/document_diff.h"
#include "live/film_png.h"
#include "live/relative_paths.h"
#include "live/scene_description.h"
#include "live/scene_edit.h"
#include "live/scene_sync.h"
#include "render/bucket_renderer.h"
#include "render/image_encoder.h"
#include "render/image_facts.h"
#include "render/node_setup.h"
#include "render/pixel_explain.h"
#include "render/scene_camera.h"
#include "render/world_builder.h"
#include "scene/scene_error.h"
#include "scene/scene_reader.h"
#include "universe/diagnostics.h"
#include "universe/file_replacement.h"
#include "universe/host_error.h"
#include "universe/text_file.h"

namespace host {

namespace fs = std::filesystem;
using nlohmann::json;
using nlohmann::ordered_json;
using Clock = std::chrono::steady_clock;

namespace {

/// The preview pass's divisor when none is asked for: about 20,000 pixels, enough to see what
/// moved, few enough to be back within a moment.
int chosenDivisor(int width, int height) {
    int divisor = 1;
    while (static_cast<double>(width) * height / (double(divisor) * divisor) > 20000.0) ++divisor;
    return divisor;
}

/// The calling thread's CPU time, in seconds.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

int optionInt(const Universe& universe, int param) {
    return universe.options()->values[param].integer;
}

}  // namespace

/// Everything the session holds. `mutex` guards all of it; the render thread reads the scene,
/// the world and the camera without it while `rendering`, during which no one changes them.
struct LiveSession::State {
    std::string path;
    std::string baseDir;
    LiveOptions options;

    ordered_json document;
    std::unique_ptr<Scene> scene;
    std::unique_ptr<GeometryScene> geometry;
    World world;
    Camera camera{};
    int width = 0, height = 0;
    int samples = 1;
    int threads = 1;
    uint32_t aovs = 0;

    /// Each step the patch (RFC 6902) from the document after it to the one before: a step
    /// costs what it changed, not a copy of the scene.
    std::deque<ordered_json> undo, redo;
    UnlinkedValues unlinked;

    /// Each entry's place in the document by name (as findEntity finds it), built when first
    /// asked for after the document's entries changed.
    std::unordered_map<std::string, EntityPlace> places;
    std::vector<Node*> unobjects;  ///< every node but the objects, in the universe's order
    std::vector<Node*> shaders;    ///< the shader nodes, in the universe's order
    std::unordered_map<const Node*, size_t> order;  ///< each node's place in the universe
    bool placesStale = true;
    /// What the sink held after the newest whole read of the document, just after a clear: what
    /// a read of a document that one parameter edit changed reports, when the edit's entry warns
    /// of nothing. Unset: not known (the session's first read did not start from a clear).
    std::optional<Diagnostics::Held> readReports;
    /// The thread CPU time the newest edit spent committing the ray-tracing scene.
    double geometrySeconds = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::thread thread;
    /// Loads the image encoder beside the first pass: its libraries take about half a second
    /// to load, which the first image asked for would otherwise wait for.
    std::thread encoderLoad;
    std::function<void(const PassInfo&)> onPass;
    std::atomic<bool> stop{false};
    bool quit = false;
    bool rendering = false;
    uint64_t generation = 1;
    int nextPass = 1;  ///< of this generation's refinement; past the last: it is final
    Clock::time_point started = Clock::now();

    std::shared_ptr<const Film> film;  ///< the newest finished pass
    PassInfo latest;
    RenderStats latestStats;  ///< its render's

    // ---- with the mutex held ----

    /// `step` kept as the newest undo step, the oldest let go past the limit.
    void keepUndo(ordered_json step) {
        undo.push_back(std::move(step));
        while (undo.size() > options.undoLimit) undo.pop_front();
    }

    /// Stops the passes and waits until no render thread evaluates anything.
    void pause(std::unique_lock<std::mutex>& lock) {
        stop.store(true);
        changed.wait(lock, [&] { return !rendering; });
    }

    /// The render thread may go on (with the pass it was stopped in, or a new refinement).
    void resume() {
        stop.store(false);
        changed.notify_all();
    }

    void restartPasses() {
        ++generation;
        nextPass = 1;
        started = Clock::now();
    }

    int divisor() const {
        const int asked =
            options.previewDivisor > 0 ? options.previewDivisor : chosenDivisor(width, height);
        return std::max(1, std::min(asked, std::min(width, height)));
    }
    /// A preview at 1 / divisor() and one sample, then the whole frame at every sample.
    int passCount() const { return divisor() > 1 ? 2 : 1; }

    /// Settings, camera and film channels from the options and the camera as they are now.
    void readSettings() {
        const Universe& universe = *scene->universe;
        width = optionInt(universe, kOptionXres);
        height = optionInt(universe, kOptionYres);
        samples = std::max(1, optionInt(universe, kOptionSamples));
        threads = options.threads >= 0
                      ? std::clamp(options.threads == 0 ? int(std::thread::hardware_concurrency())
                                                        : options.threads,
                                   1, 255)
                      : universe.renderThreads();
        const char* list = universe.options()->values[kOptionAovs].str;
        aovs = options.aovs
                   ? parseAovs(*options.aovs, "aovs")
                   : parseAovs(list ? list : "", scene->path + ": options: parameter 'aovs'");
        camera = sceneCamera(*scene, width, height);
    }

    /// Rebuilds `objects` (edited in place) alone, or the whole ray-tracing scene when it
    /// cannot; times it.
    void rebuildGeometry(const std::vector<const Node*>& objects, bool whole) {
        const double start = threadSeconds();
        if (whole || !geometry->rebuildObjects(objects)) buildGeometry();
        geometrySeconds = threadSeconds() - start;
    }

    void buildGeometry() {
        try {
            geometry = std::make_unique<GeometryScene>(*scene->universe);
        } catch (const HostError& e) {
            throw HostError(scene->path + ": " + e.what());
        }
        world.geometry = geometry.get();
    }

    /// The whole state from `text`, as a batch render reads it.
    void load(const ordered_json& from) {
        // What the read reports is known when the sink held nothing before it.
        const Diagnostics::Counts held = diagnostics().counts();
        const bool clean = held.warnings == 0 && held.errors == 0 && held.unkept == 0;
        std::unique_ptr<Scene> fresh = read(from);
        if (clean) readReports = diagnostics().held();
        // The old nodes are finished before the new ones are initialised.
        geometry.reset();
        world = World{};
        scene = std::move(fresh);
        scene->universe->prepare();
        buildGeometry();
        placeLights(*scene, world);
        readSettings();
        setUpNodes(*scene, world);
        document = from;
        placesStale = true;
    }

    std::unique_ptr<Scene> read(const ordered_json& from) const {
        SceneReadOptions readOptions = options.read;
        readOptions.registerTypes = [more = options.read.registerTypes](NodeTypeRegistry& types) {
            registerHostNodeTypes(types);
            if (more) more(types);
        };
        return readSceneText(from.dump(2), path, baseDir, readOptions);
    }

    /// Brings the scene to `edited`, which becomes the document; throws SceneError (nothing
    /// changed) when the reader refuses it. The render is paused.
    void commit(const ordered_json& edited) {
        // The sink holds what the scene now showing warns of: the new document's read reports
        // it again, and a refused one's read gives way to the good document's.
        diagnostics().clear();
        std::unique_ptr<Scene> fresh;
        readReports.reset();
        try {
            fresh = read(edited);
        } catch (const HostError&) {
            diagnostics().clear();
            try {
                read(document);
                readReports = diagnostics().held();
            } catch (const HostError&) {
                // It was read before; nothing to add.
            }
            throw;
        }
        readReports = diagnostics().held();
        if (edited.value("plugins", ordered_json()) != document.value("plugins", ordered_json())) {
            fresh.reset();
            load(edited);
            return;
        }
        try {
            const SceneChanges changes = syncScene(*scene, *fresh);
            fresh.reset();
            // An object, light, camera or options edit moves the samples the set-up pass
            // evaluates nodes on (an object's origin, a light's, the camera's view, what probes
            // hit), so every node is set up again, as in a fresh read of the document.
            if (changes.objects || changes.lights || changes.camera || changes.options)
                for (const auto& node : scene->universe->nodes()) node->needsUpdate = true;
            scene->universe->prepare();
            if (changes.objects) {
                // Objects edited in place are built again alone; added, removed or reordered
                // ones move the others' geometry IDs, so the whole scene is built again.
                std::vector<const Node*> inPlace;
                for (const Node* object : scene->objects)
                    if (changes.changed.count(object)) inPlace.push_back(object);
                rebuildGeometry(inPlace, changes.objectList);
            }
            placeLights(*scene, world);
            if (changes.camera || changes.options) readSettings();
            setUpNodes(*scene, world);
            document = edited;
            placesStale = true;
        } catch (const HostError&) {
            // Half brought in line: the last good document is read again whole.
            readReports.reset();
            const ordered_json good = document;
            load(good);
            throw;
        }
    }

    /// The entry called `name`, found as findEntity finds it, without a walk of the document.
    EntityPlace placeOf(const std::string& name) {
        indexEntries();
        const auto found = places.find(name);
        return found == places.end() ? EntityPlace{} : found->second;
    }

    /// The entries by name and the nodes by kind, made again after the document's entries
    /// changed.
    void indexEntries() {
        if (placesStale) {
            places.clear();
            unobjects.clear();
            shaders.clear();
            order.clear();
            for (const auto& node : scene->universe->nodes()) {
                order.emplace(node.get(), order.size());
                if (node->type->kind != kNodeShape) unobjects.push_back(node.get());
                if (node->type->kind == kNodeShader) shaders.push_back(node.get());
            }
            const auto add = [&](const std::string& key, EntityPlace place) {
                places.emplace(key, std::move(place));
            };
            add("options", {"options", 0});
            if (scene->camera) add(scene->camera->name, {"camera", 0});
            for (size_t i = 0; i < scene->objects.size(); ++i)
                add(scene->objects[i]->name, {"objects", i});
            for (size_t i = 0; i < scene->lights.size(); ++i)
                add(scene->lights[i].node->name, {"lights", i});
            if (document.contains("nodes") && document["nodes"].is_array()) {
                const ordered_json& nodes = document["nodes"];
                for (size_t i = 0; i < nodes.size(); ++i)
                    if (nodes[i].is_object() && nodes[i].contains("name") &&
                        nodes[i]["name"].is_string())
                        add(nodes[i]["name"].get<std::string>(), {"nodes", i});
            }
            placesStale = false;
        }
    }

    /// The node an entry of the document is, or null.
    Node* nodeAt(const EntityPlace& place) {
        if (place.section == "options") return scene->universe->options();
        if (place.section == "camera") return scene->camera;
        if (place.section == "objects" && place.index < scene->objects.size())
            return scene->objects[place.index];
        if (place.section == "lights" && place.index < scene->lights.size())
            return scene->lights[place.index].node;
        if (place.section == "nodes" && document.contains("nodes") &&
            document["nodes"].is_array() && place.index < document["nodes"].size()) {
            const ordered_json& entry = document["nodes"][place.index];
            if (entry.is_object() && entry.contains("name") && entry["name"].is_string())
                return scene->universe->findNode(entry["name"].get<std::string>());
        }
        return nullptr;
    }

    /// The entry's object in the document, or null when it has none (an options or camera
    /// section the file leaves out).
    ordered_json* bodyOf(const EntityPlace& place) {
        if (!document.contains(place.section)) return nullptr;
        ordered_json& section = document[place.section];
        if (place.section == "options" || place.section == "camera")
            return section.is_object() ? &section : nullptr;
        if (!section.is_array() || place.index >= section.size()) return nullptr;
        return section[place.index].is_object() ? &section[place.index] : nullptr;
    }

    /// One parameter of one entry set to `value` (null: the key removed), the common edit,
    /// made without reading the whole document again: the reader checks the parameter and its
    /// entry alone, the document is changed at that one key, and only what the entry feeds is
    /// built again. `inverse` receives the patch that undoes it. Nothing (the render goes on)
    /// when the edit needs the whole document read (see setCheckedParam), with the mutex held.
    std::optional<EditResult> applyParam(std::unique_lock<std::mutex>& lock,
                                         const EntityPlace& place, const std::string& param,
                                         const ordered_json* value, ordered_json* inverse) {
        if (place.section.empty() || param == "name" || !readReports) return std::nullopt;
        indexEntries();
        Node* node = nodeAt(place);
        ordered_json* body = bodyOf(place);
        if (!node || !body) return std::nullopt;
        const int index = node->type->findParam(param);
        if (index < 0) return std::nullopt;
        const auto slot = body->find(param);
        const bool had = slot != body->end();
        EditResult result;
        result.generation = generation;
        if (value ? had && *slot == *value : !had) {
            // The document as it was: no undo step, and the passes go on.
            result.ok = true;
            return result;
        }
        const nlohmann::json checked = value ? nlohmann::json(*value) : nullptr;
        pause(lock);
        // The sink, as after a whole read of the edited document (which warns as the last one
        // did, or the edit is read whole).
        diagnostics().restore(*readReports);
        const ParamValue before = node->values[static_cast<size_t>(index)];
        const bool stale = node->needsUpdate;
        try {
            if (setCheckedParam(*scene, *node, param, value ? &checked : nullptr, path, baseDir) ==
                ParamEdit::Whole) {
                resume();
                return std::nullopt;
            }
        } catch (const HostError& e) {
            resume();
            result.message = e.what();
            return result;
        }
        const bool moved = !sameValue(before, node->values[static_cast<size_t>(index)]);
        if (!moved) node->needsUpdate = stale;
        try {
            const int32_t kind = node->type->kind;
            // What the set-up pass samples moves with an object, a light or the camera (an
            // object's origin, a light's, the view, what probes and shadow rays hit), so every
            // node but the objects and the options (which would update every object) is set up
            // again, as after a fresh read; the other objects are only geometry, built apart.
            // Options update everything through prepare. Only those nodes and the edited one can
            // be stale, and objects feed no node: they alone are prepared, in the universe's
            // order.
            if (moved && (kind == kNodeShape || kind == kNodeLight || kind == kNodeCamera))
                for (Node* each : unobjects)
                    if (each != scene->universe->options()) each->needsUpdate = true;
            if (kind == kNodeShape) {
                std::vector<Node*> candidates = unobjects;
                candidates.insert(std::upper_bound(candidates.begin(), candidates.end(), node,
                                                   [&](const Node* a, const Node* b) {
                                                       return order.at(a) < order.at(b);
                                                   }),
                                  node);
                scene->universe->prepare(candidates);
            } else {
                scene->universe->prepare(unobjects);
            }
            if (moved && kind == kNodeShape) rebuildGeometry({node}, false);
            placeLights(*scene, world);
            if (kind == kNodeCamera || kind == kNodeOptions) readSettings();
            setUpNodes(*scene, world, &shaders);
        } catch (const HostError& e) {
            // Half brought in line: the last good document is read again whole.
            node->values[static_cast<size_t>(index)] = before;
            readReports.reset();
            const ordered_json good = document;
            load(good);
            resume();
            result.message = e.what();
            result.generation = generation;
            return result;
        }
        ordered_json::json_pointer at = ordered_json::json_pointer() / place.section;
        if (place.section != "options" && place.section != "camera") at /= place.index;
        const std::string pointer = (at / param).to_string();
        if (had)
            *inverse = ordered_json::array(
                {{{"op", "replace"}, {"path", pointer}, {"value", std::move(*slot)}}});
        else
            *inverse = ordered_json::array({{{"op", "remove"}, {"path", pointer}}});
        if (value)
            (*body)[param] = *value;
        else
            body->erase(param);
        restartPasses();
        resume();
        result.ok = true;
        result.generation = generation;
        return result;
    }

    /// `patch` (an undo or redo step) made through applyParam when it sets or removes one
    /// parameter of one entry; nothing when it is another kind of patch or needs a whole read.
    std::optional<EditResult> applyStep(std::unique_lock<std::mutex>& lock,
                                        const ordered_json& patch, ordered_json* inverse) {
        if (!patch.is_array() || patch.size() != 1 || !patch[0].is_object()) return std::nullopt;
        const ordered_json& op = patch[0];
        const std::string kind = op.value("op", "");
        if (kind != "replace" && kind != "add" && kind != "remove") return std::nullopt;
        if ((kind == "remove") == op.contains("value")) return std::nullopt;
        const ordered_json::json_pointer pointer(op.value("path", ""));
        std::vector<std::string> tokens;
        for (ordered_json::json_pointer at = pointer; !at.empty(); at = at.parent_pointer())
            tokens.insert(tokens.begin(), at.back());
        EntityPlace place;
        std::string param;
        if (tokens.size() == 2 && (tokens[0] == "options" || tokens[0] == "camera")) {
            place = {tokens[0], 0};
            param = tokens[1];
        } else if (tokens.size() == 3 &&
                   (tokens[0] == "objects" || tokens[0] == "lights" || tokens[0] == "nodes") &&
                   !tokens[1].empty() &&
                   tokens[1].find_first_not_of("0123456789") == std::string::npos &&
                   tokens[1].size() < 10) {
            place = {tokens[0], std::stoul(tokens[1])};
            param = tokens[2];
        } else {
            return std::nullopt;
        }
        const ordered_json* value = kind == "remove" ? nullptr : &op["value"];
        return applyParam(lock, place, param, value, inverse);
    }

    EditResult applyDocument(const ordered_json& edited, bool undoable) {
        std::unique_lock<std::mutex> lock(mutex);
        return applyLocked(lock, edited, undoable);
    }

    EditResult applyLocked(std::unique_lock<std::mutex>& lock, const ordered_json& edited,
                           bool undoable) {
        EditResult result;
        if (edited == document) {
            // Nothing to do: no undo step, and the passes go on.
            result.ok = true;
            result.generation = generation;
            return result;
        }
        pause(lock);
        const ordered_json before = document;
        try {
            commit(edited);
        } catch (const HostError& e) {
            resume();
            result.message = e.what();
            result.generation = generation;
            return result;
        }
        if (undoable) {
            keepUndo(ordered_json::diff(document, before));
            redo.clear();
        }
        restartPasses();
        resume();
        result.ok = true;
        result.generation = generation;
        return result;
    }

    // ---- the render thread ----

    void run() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return quit || (!stop.load() && nextPass <= passCount()); });
            if (quit) return;
            const uint64_t gen = generation;
            const int pass = nextPass;
            const int passes = passCount();
            const bool last = pass == passes;
            const int div = last ? 1 : divisor();
            const int w = std::max(1, width / div), h = std::max(1, height / div);
            RenderSettings settings;
            settings.samples = last ? samples : 1;
            settings.threads = threads;
            std::vector<const Node*> lights, objects;
            for (const SceneLight& light : scene->lights) lights.push_back(light.node);
            for (const Node* object : scene->objects) objects.push_back(object);
            std::shared_ptr<Film> pending;
            const Camera view = last ? camera : sceneCamera(*scene, w, h);
            rendering = true;
            lock.unlock();

            RenderStats stats;
            std::string failure;
            bool failed = false;
            try {
                pending = std::make_shared<Film>(w, h, aovs, lights, objects);
                stats = renderImage(world, view, settings, *pending, &stop);
            } catch (const std::exception& e) {
                failed = true;
                failure = e.what();
            }

            lock.lock();
            rendering = false;
            changed.notify_all();
            if (failed) {
                // No memory for the film or a thread: this refinement ends; an edit starts another.
                diagnostics().report(Severity::Error, "live pass failed", Where{},
                                     "a pass of the live render failed: " + failure);
                nextPass = passes + 1;
                continue;
            }
            if (stats.stopped || gen != generation) continue;
            ++nextPass;
            PassInfo info;
            info.generation = gen;
            info.pass = pass;
            info.passes = passes;
            info.samples = settings.samples;
            info.width = w;
            info.height = h;
            info.seconds = std::chrono::duration<double>(Clock::now() - started).count();
            info.final = last;
            film = std::move(pending);
            latest = info;
            latestStats = stats;
            changed.notify_all();
            if (onPass) {
                const auto call = onPass;
                lock.unlock();
                call(info);
                lock.lock();
            }
        }
    }
};

LiveSession::LiveSession(const std::string& scenePath, const LiveOptions& options)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.path = scenePath;
    const fs::path parent = fs::path(scenePath).parent_path();
    s.baseDir = parent.empty() ? "." : parent.string();
    s.options = options;
    s.options.undoLimit = std::max<size_t>(1, options.undoLimit);
    std::string text;
    try {
        text = readTextFile(scenePath);
    } catch (const HostError& e) {
        throw SceneError({e.what()});
    }
    ordered_json document;
    try {
        document = ordered_json::parse(text);
    } catch (const ordered_json::exception&) {
        // The reader says where the text goes wrong.
        readSceneText(text, scenePath, s.baseDir, options.read);
        throw SceneError({scenePath + ": cannot be read as a scene"});
    }
    s.load(document);
}

LiveSession::~LiveSession() {
    State& s = *state_;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.quit = true;
        s.stop.store(true);
        s.changed.notify_all();
    }
    if (s.thread.joinable()) s.thread.join();
    if (s.encoderLoad.joinable()) s.encoderLoad.join();
    s.geometry.reset();
    if (s.scene) s.scene->universe->finish();
}

void LiveSession::start(std::function<void(const PassInfo&)> onPass) {
    State& s = *state_;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.thread.joinable()) throw HostError("the live session is already rendering");
    s.onPass = std::move(onPass);
    s.started = Clock::now();
    s.thread = std::thread([&s] { s.run(); });
    s.encoderLoad = std::thread([] {
        try {
            imageEncoder();
        } catch (const HostError&) {
            // Told when an image is asked for: the next call tries again.
        }
    });
}

EditResult LiveSession::apply(const json& edit) {
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (edit.is_object() && edit.value("op", json()) == "set" && edit.contains("value") &&
        edit.contains("node") && edit["node"].is_string() && edit.contains("param") &&
        edit["param"].is_string()) {
        const ordered_json value = edit["value"];
        ordered_json inverse;
        const std::optional<EditResult> done =
            s.applyParam(lock, s.placeOf(edit["node"].get<std::string>()),
                         edit["param"].get<std::string>(), &value, &inverse);
        if (done) {
            if (done->ok && !inverse.is_null()) {
                s.keepUndo(std::move(inverse));
                s.redo.clear();
            }
            return *done;
        }
    }
    ordered_json edited;
    try {
        edited = editedDocument(s.document, *s.scene, edit, s.unlinked);
    } catch (const HostError& e) {
        return EditResult{false, e.what(), s.generation};
    }
    return s.applyLocked(lock, edited, true);
}

EditResult LiveSession::replaceDocument(const ordered_json& document) {
    return state_->applyDocument(document, true);
}

EditResult LiveSession::undo() {
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.undo.empty()) return EditResult{false, "nothing to undo", s.generation};
    ordered_json inverse;
    if (const std::optional<EditResult> done = s.applyStep(lock, s.undo.back(), &inverse)) {
        if (done->ok) {
            s.undo.pop_back();
            s.redo.push_back(inverse.is_null() ? ordered_json::array() : std::move(inverse));
        }
        return *done;
    }
    const ordered_json before = s.document;
    EditResult result = s.applyLocked(lock, s.document.patch(s.undo.back()), false);
    if (result.ok) {
        s.undo.pop_back();
        s.redo.push_back(ordered_json::diff(s.document, before));
    }
    return result;
}

EditResult LiveSession::redo() {
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.redo.empty()) return EditResult{false, "nothing to redo", s.generation};
    ordered_json inverse;
    if (const std::optional<EditResult> done = s.applyStep(lock, s.redo.back(), &inverse)) {
        if (done->ok) {
            s.redo.pop_back();
            s.keepUndo(inverse.is_null() ? ordered_json::array() : std::move(inverse));
        }
        return *done;
    }
    const ordered_json before = s.document;
    EditResult result = s.applyLocked(lock, s.document.patch(s.redo.back()), false);
    if (result.ok) {
        s.redo.pop_back();
        s.keepUndo(ordered_json::diff(s.document, before));
    }
    return result;
}

size_t LiveSession::undoSteps() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->undo.size();
}

size_t LiveSession::redoSteps() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->redo.size();
}

void LiveSession::save(const std::string& path) {
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (path.empty()) {
        const std::string text = s.document.dump(2) + "\n";
        const std::string own = s.path;
        lock.unlock();
        FileReplacement file(own);
        file.commit(text);
        return;
    }
    FileReplacement file(path);
    if (file.replaces(s.path)) {
        file.commit(s.document.dump(2) + "\n");
        return;
    }
    // Save as: the file written names the same files from its own folder, and the session goes
    // on with it, as an editor does; its history is moved along, so undo still reads.
    const fs::path parent = fs::path(path).parent_path();
    const std::string baseDir = parent.empty() ? "." : parent.string();
    const FolderMove move(s.baseDir, baseDir);
    ordered_json moved = s.document;
    move.move(moved, "");
    file.commit(moved.dump(2) + "\n");
    s.path = path;
    s.baseDir = baseDir;
    s.scene->path = path;
    s.document = std::move(moved);
    // The reader's messages name the file: the next edit learns them again from a whole read.
    s.readReports.reset();
    for (ordered_json& step : s.undo) move.movePatch(step);
    for (ordered_json& step : s.redo) move.movePatch(step);
    for (auto& [key, value] : s.unlinked)
        if (value.is_string() && isFileParameter(key.substr(key.rfind('/') + 1)))
            value = move.rebased(value.get<std::string>());
}

ordered_json LiveSession::document() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->document;
}

json LiveSession::describe() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return describeScene(*state_->scene);
}

json LiveSession::differences() const {
    ordered_json session;
    std::string path;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        session = state_->document;
        path = state_->path;
    }
    ordered_json disk;
    try {
        disk = ordered_json::parse(readTextFile(path));
    } catch (const HostError& e) {
        json all = documentDifferences(ordered_json(), session);
        all["changed"] = true;
        all["disk"] = e.what();
        return all;
    } catch (const ordered_json::exception&) {
        json all = documentDifferences(ordered_json(), session);
        all["changed"] = true;
        all["disk"] = path + ": not a well-formed JSON document";
        return all;
    }
    return documentDifferences(disk, session);
}

bool LiveSession::latestPng(const std::string& channel, float exposure, std::string* png,
                            PassInfo* info) const {
    std::shared_ptr<const Film> film;
    PassInfo pass;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        film = state_->film;
        pass = state_->latest;
    }
    if (!film) return false;
    if (png) *png = filmPng(*film, channel, exposure);
    if (info) *info = pass;
    return true;
}

std::vector<std::string> LiveSession::channels() const {
    std::shared_ptr<const Film> film;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        film = state_->film;
    }
    if (!film) return {"beauty"};
    return filmChannels(*film);
}

PassInfo LiveSession::latestPass() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->latest;
}

std::shared_ptr<const Film> LiveSession::latestFilm(PassInfo* info, ImageFacts* facts) const {
    const State& s = *state_;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (info) *info = s.latest;
    if (facts && s.film) {
        *facts = renderFacts(*s.scene, s.latestStats, s.path, s.latest.samples);
        facts->seconds = s.latest.seconds;
    }
    return s.film;
}

ordered_json LiveSession::explainPixel(int x, int y) {
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    // Its sample runs on render thread 0, whose per-thread state a pass may be using: the pass
    // stops, and starts again after.
    s.pause(lock);
    try {
        ordered_json tree =
            host::explainPixel(*s.scene, s.world, s.camera, x, y, s.width, s.height);
        s.resume();
        return tree;
    } catch (...) {
        s.resume();
        throw;
    }
}

int LiveSession::width() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->width;
}

int LiveSession::height() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->height;
}

std::string LiveSession::path() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->path;
}

double LiveSession::lastGeometrySeconds() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->geometrySeconds;
}

bool LiveSession::waitFinal(double seconds) const {
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::duration<double>(seconds), [&] {
        return s.latest.final && s.latest.generation == s.generation;
    });
}

}  // namespace host
