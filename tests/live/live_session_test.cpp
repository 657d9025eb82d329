// The live session driven as a page drives it: edits while the passes run, undo, save, and the
// image compared with a batch render of the saved file.
#include "live/live_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>

#include "builtin/host_node_types.h"
#include "render/scene_render.h"
#include "scene/scene_error.h"
#include "scene/scene_reader.h"
#include "support/scratch_dir.h"
#include "universe/diagnostics.h"
#include "universe/node_type.h"

namespace {

using nlohmann::json;

// "counted": a float node whose lifecycle calls are counted by node, and which notes any
// update, initialize or finish that runs while one of its evaluations is under way.
std::mutex gCountsMutex;
std::map<std::string, int> gUpdates;
std::atomic<int> gEvaluating{0};
std::atomic<int> gCallbacksDuringEvaluation{0};

void countedParameters(ParamList* params, NodeEntry*) {
    AiNodeParamFlt(params, -1, "value", 0.5f);
}
void noteLifecycle(Node* node, const char* what) {
    if (gEvaluating.load() != 0) ++gCallbacksDuringEvaluation;
    if (std::strcmp(what, "update") == 0) {
        std::lock_guard<std::mutex> lock(gCountsMutex);
        ++gUpdates[node->name];
    }
}
void countedInitialize(Node* node, void*) {
    noteLifecycle(node, "initialize");
}
void countedUpdate(Node* node, void*) {
    noteLifecycle(node, "update");
}
void countedFinish(Node* node) {
    noteLifecycle(node, "finish");
}
void countedEvaluate(Node* node, ShaderGlobals* sg) {
    ++gEvaluating;
    sg->out.flt = AiShaderEvalParamFuncFlt(sg, node, 0);
    --gEvaluating;
}
const CommonNodeMethods kCountedCommon = {countedParameters, countedInitialize, countedUpdate,
                                          countedFinish};
const ShaderNodeMethods kCountedShader = {countedEvaluate};
const NodeMethods kCounted = {&kCountedCommon, &kCountedShader};

void registerCounted(host::NodeTypeRegistry& registry) {
    NodeDescriptor d{};
    d.nodeKind = kNodeShader;
    d.outputType = kTypeFloat;
    d.name = "counted";
    d.methods = &kCounted;
    registry.add(d, "test");
}

std::map<std::string, int> takeUpdates() {
    std::lock_guard<std::mutex> lock(gCountsMutex);
    return std::exchange(gUpdates, {});
}

/// The demo scene, small and quick, with a chain of counted nodes feeding a card's colour.
std::string demoScene(const test::ScratchDir& dir) {
    json scene = json::parse(std::ifstream(ORV_SOURCE_DIR "/scenes/demo.json"));
    scene["options"]["xres"] = 48;
    scene["options"]["yres"] = 36;
    scene["options"]["samples"] = 2;
    scene["options"]["threads"] = 2;
    for (const char* name : {"a", "b", "c", "loose"})
        scene["nodes"].push_back({{"type", "counted"}, {"name", name}});
    scene["nodes"].back()["value"] = 0.25;
    scene["nodes"][scene["nodes"].size() - 3]["value"] = {{"link", "a"}};  // b <- a
    scene["nodes"][scene["nodes"].size() - 2]["value"] = {{"link", "b"}};  // c <- b
    scene["nodes"].push_back(
        {{"type", "lambert"}, {"name", "cardSurface"}, {"color", {{"link", "c"}}}});
    scene["objects"].push_back({{"type", "plane"},
                                {"name", "card"},
                                {"shader", "cardSurface"},
                                {"size", 1},
                                {"translate", {1, 0.5, 2}},
                                {"rotate", {90, 0, 0}}});
    return dir.write("demo.json", scene.dump(1));
}

host::LiveOptions liveOptions() {
    host::LiveOptions options;
    options.read.registerTypes = registerCounted;
    options.previewDivisor = 3;
    return options;
}

/// The raw floats of a beauty, to compare bit for bit.
std::string bytesOf(const host::ImageBuffer& image) {
    return std::string(reinterpret_cast<const char*>(image.data()),
                       sizeof(float) * 4 * size_t(image.width()) * image.height());
}

/// The session's final beauty, once it is there.
std::string finalBeauty(host::LiveSession& session) {
    if (!session.waitFinal(120)) return "no final pass";
    host::PassInfo info;
    const std::shared_ptr<const host::Film> film = session.latestFilm(&info);
    return film && info.final ? bytesOf(film->beauty()) : "no final film";
}

/// A batch render of the file the session saves.
std::string batchBeauty(host::LiveSession& session, const test::ScratchDir& dir) {
    const std::string saved = dir.path("saved.json").string();
    session.save(saved);
    host::SceneReadOptions read;
    read.registerTypes = registerCounted;
    const host::SceneRender render(saved, {}, read);
    host::Film film = render.makeFilm(render.aovs());
    render.render(film);
    return bytesOf(film.beauty());
}

json set(const char* node, const char* param, const json& value) {
    return {{"op", "set"}, {"node", node}, {"param", param}, {"value", value}};
}

TEST(LiveSession, AnEditUpdatesTheChangedNodeAndWhatItFeedsOnceAndNeverDuringAnEvaluation) {
    test::ScratchDir dir;
    host::LiveSession session(demoScene(dir), liveOptions());
    session.start();
    ASSERT_TRUE(session.waitFinal(60));
    takeUpdates();
    // Edits land while passes run: each must stop them before any callback.
    for (int i = 0; i < 4; ++i) {
        const host::EditResult result = session.apply(set("b", "value", 0.1 * i));
        ASSERT_TRUE(result.ok) << result.message;
        const std::map<std::string, int> updates = takeUpdates();
        // b changed and c is fed by b; a (upstream) and loose are left alone.
        const std::map<std::string, int> expected{{"b", 1}, {"c", 1}};
        EXPECT_EQ(updates, expected) << "edit " << i;
    }
    ASSERT_TRUE(session.waitFinal(60));
    EXPECT_EQ(gCallbacksDuringEvaluation.load(), 0);
}

TEST(LiveSession, EditsAndAnUndoRenderAsABatchRenderOfTheSavedScene) {
    test::ScratchDir dir;
    host::LiveSession session(demoScene(dir), liveOptions());
    session.start();
    const std::string first = finalBeauty(session);
    EXPECT_TRUE(first == batchBeauty(session, dir));

    // A value read per sample takes effect at once; `samples` (read once per update) at the
    // next pass: both show in the image after the edit, as in a fresh render.
    ASSERT_TRUE(session.apply(set("probe", "onHitColor", {0.9, 0.1, 0.9})).ok);
    const std::string recoloured = finalBeauty(session);
    EXPECT_TRUE(recoloured != first);
    EXPECT_TRUE(recoloured == batchBeauty(session, dir));

    ASSERT_TRUE(session.apply(set("glossy", "samples", 2)).ok);
    ASSERT_TRUE(session.apply(set("rxStripes", "frequency", 7)).ok);
    const std::string fewer = finalBeauty(session);
    EXPECT_TRUE(fewer != recoloured);
    EXPECT_TRUE(fewer == batchBeauty(session, dir));

    // The environment a trace looks up (once per update) is the new one after its update.
    ASSERT_TRUE(session.apply(set("glossy", "rayType", 3)).ok);
    const std::string sky = finalBeauty(session);
    json user = {{"environment", "radioGlow"}};
    ASSERT_TRUE(session.apply(set("glossyBall", "user", user)).ok);
    const std::string lookedUp = finalBeauty(session);
    EXPECT_TRUE(lookedUp != sky);
    EXPECT_TRUE(lookedUp == batchBeauty(session, dir));

    // An object moved, a light, the camera, a node added and linked, one removed; then undo.
    ASSERT_TRUE(session.apply(set("card", "translate", {0.5, 0.8, 2.2})).ok);
    ASSERT_TRUE(session.apply(set("key", "intensity", 60)).ok);
    ASSERT_TRUE(session.apply(set("camera", "fov", 40)).ok);
    ASSERT_TRUE(session
                    .apply({{"op", "add"},
                            {"section", "nodes"},
                            {"entity", {{"type", "checker"}, {"name", "cardChecker"}}}})
                    .ok);
    ASSERT_TRUE(session.apply(set("cardSurface", "color", {{"link", "cardChecker"}})).ok);
    ASSERT_TRUE(session.apply({{"op", "remove"}, {"node", "loose"}}).ok);
    EXPECT_TRUE(finalBeauty(session) == batchBeauty(session, dir));
    ASSERT_TRUE(session.undo().ok);
    ASSERT_TRUE(session.undo().ok);
    EXPECT_TRUE(finalBeauty(session) == batchBeauty(session, dir));

    // A pixel's explanation is the batch render's, of the scene as edited.
    host::SceneReadOptions read;
    read.registerTypes = registerCounted;
    const host::SceneRender render(dir.path("saved.json").string(), {}, read);
    EXPECT_EQ(session.explainPixel(30, 20), render.explainPixel(30, 20));
    EXPECT_THROW(session.explainPixel(48, 0), host::HostError);
}

TEST(LiveSession, SavedIntoAnotherFolderTheSceneStillNamesItsFilesAndUndoFollows) {
    test::ScratchDir dir;
    dir.write("big.obj", "v -2 0 0\nv 2 0 0\nv 0 3 0\nf 1 2 3\n");
    dir.write("small.obj", "v -1 0.5 1\nv 1 0.5 1\nv 0 1.5 1\nf 1 2 3\n");
    json scene = json::parse(std::ifstream(demoScene(dir)));
    scene["objects"].push_back(
        {{"type", "mesh"}, {"name", "tri"}, {"file", "big.obj"}, {"shader", "cardSurface"}});
    host::LiveSession session(dir.write("demo.json", scene.dump(1)), liveOptions());
    ASSERT_TRUE(session.apply(set("tri", "file", "small.obj")).ok);
    session.start();
    const std::string edited = finalBeauty(session);

    // The copy in a subfolder names the same meshes; the session goes on from there.
    const std::string moved = dir.path("shots/a/saved.json").string();
    session.save(moved);
    EXPECT_EQ(session.path(), moved);
    EXPECT_EQ(session.differences()["changed"], false);
    host::SceneReadOptions read;
    read.registerTypes = registerCounted;
    const auto batch = [&] {
        const host::SceneRender render(moved, {}, read);
        host::Film film = render.makeFilm(render.aovs());
        render.render(film);
        return bytesOf(film.beauty());
    };
    EXPECT_TRUE(edited == batch());
    EXPECT_EQ(session.document()["objects"].back()["file"], "../../small.obj");

    // Undone, the mesh it had is named from the new folder too.
    ASSERT_TRUE(session.undo().ok);
    EXPECT_EQ(session.document()["objects"].back()["file"], "../../big.obj");
    session.save();
    EXPECT_TRUE(finalBeauty(session) == batch());
    EXPECT_FALSE(edited == batch());
}

TEST(LiveSession, ARefusedEditChangesNothingAndSaysWhatTheReaderSays) {
    test::ScratchDir dir;
    const std::string path = demoScene(dir);
    host::LiveSession session(path, liveOptions());
    const nlohmann::ordered_json before = session.document();
    const host::EditResult good = session.apply(set("probe", "direction", 0));
    ASSERT_TRUE(good.ok) << good.message;
    const nlohmann::ordered_json after = session.document();

    // The reader's own message for the same document.
    nlohmann::ordered_json broken = after;
    for (auto& node : broken["nodes"])
        if (node["name"] == "glossy") node["samples"] = 2.5;
    std::string readerSays;
    try {
        host::SceneReadOptions read;
        read.registerTypes = [](host::NodeTypeRegistry& types) {
            host::registerHostNodeTypes(types);
            registerCounted(types);
        };
        host::readSceneText(broken.dump(), path, dir.root().string(), read);
    } catch (const host::SceneError& e) {
        readerSays = e.what();
    }
    ASSERT_FALSE(readerSays.empty());

    const host::EditResult refused = session.apply(set("glossy", "samples", 2.5));
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, readerSays);
    EXPECT_EQ(refused.generation, good.generation);
    // A cycle, and removing a node others link to, are refused too.
    EXPECT_FALSE(session.apply(set("a", "value", {{"link", "c"}})).ok);
    const host::EditResult linked = session.apply({{"op", "remove"}, {"node", "b"}});
    EXPECT_FALSE(linked.ok);
    EXPECT_NE(linked.message.find("'b'"), std::string::npos) << linked.message;
    EXPECT_EQ(session.document(), after);
    EXPECT_EQ(session.undoSteps(), 1u);
    ASSERT_TRUE(session.undo().ok);
    EXPECT_EQ(session.document(), before);
}

/// What the reader says of `document` with `edit` made to the entry called `name`: its
/// message when it refuses it, else "".
std::string readerOn(nlohmann::ordered_json document, const std::string& section,
                     const std::string& name, const char* param, const json& value,
                     const std::string& path, const test::ScratchDir& dir) {
    if (section == "camera" || section == "options")
        document[section][param] = value;
    else
        for (auto& entry : document[section])
            if (entry["name"] == name) entry[param] = value;
    try {
        host::SceneReadOptions read;
        read.registerTypes = [](host::NodeTypeRegistry& types) {
            host::registerHostNodeTypes(types);
            registerCounted(types);
        };
        host::readSceneText(document.dump(), path, dir.root().string(), read);
    } catch (const host::SceneError& e) {
        return e.what();
    }
    return "";
}

TEST(LiveSession, AnEditOfOneEntryIsCheckedAndWarnedOfAsAReadOfTheWholeFile) {
    test::ScratchDir dir;
    const std::string path = demoScene(dir);
    host::LiveSession session(path, liveOptions());
    const host::EditResult moved = session.apply(set("card", "translate", {0.5, 0.8, 2.2}));
    ASSERT_TRUE(moved.ok) << moved.message;
    const nlohmann::ordered_json after = session.document();
    const std::vector<host::Diagnostic> warned = host::diagnostics().snapshot();

    // An object, a light, the camera and the options, each refused as the reader refuses them.
    const struct {
        const char* section;
        const char* name;
        const char* param;
        json value;
    } refusals[] = {{"objects", "card", "size", -1},
                    {"objects", "card", "translate", {1, 2}},
                    {"lights", "key", "intensity", -3},
                    {"camera", "camera", "lookAt", {0, 2.6, 8.5}},
                    {"options", "options", "samples", 0}};
    for (const auto& edit : refusals) {
        const std::string readerSays =
            readerOn(after, edit.section, edit.name, edit.param, edit.value, path, dir);
        ASSERT_FALSE(readerSays.empty()) << edit.name << "." << edit.param;
        const host::EditResult refused = session.apply(set(edit.name, edit.param, edit.value));
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.message, readerSays);
        EXPECT_EQ(refused.generation, moved.generation);
        EXPECT_EQ(session.document(), after);
        EXPECT_EQ(host::diagnostics().snapshot().size(), warned.size());
    }
    EXPECT_EQ(session.undoSteps(), 1u);

    // An edit that warns is warned of as the reader warns, and the warning goes with it.
    auto zeroScale = [] {
        for (const host::Diagnostic& entry : host::diagnostics().snapshot())
            if (entry.key.find("zero scale") != std::string::npos) return true;
        return false;
    };
    ASSERT_TRUE(session.apply(set("card", "scale", {1, 0, 1})).ok);
    EXPECT_TRUE(zeroScale());
    ASSERT_TRUE(session.apply(set("card", "scale", {1, 1, 1})).ok);
    EXPECT_FALSE(zeroScale());

    // Undo and redo of such edits: the key back as it was, or gone when it was not there.
    ASSERT_TRUE(session.undo().ok);
    ASSERT_TRUE(session.undo().ok);
    EXPECT_EQ(session.document(), after);
    ASSERT_TRUE(session.undo().ok);
    EXPECT_EQ(session.document(), nlohmann::ordered_json::parse(std::ifstream(path)));
    ASSERT_TRUE(session.redo().ok);
    EXPECT_EQ(session.document(), after);
}

TEST(LiveSession, DifferencesFromTheFileAndTheDescriptionFollowTheEdits) {
    test::ScratchDir dir;
    const std::string path = demoScene(dir);
    host::LiveSession session(path, liveOptions());
    EXPECT_EQ(session.differences()["changed"], false);
    ASSERT_TRUE(session.apply(set("probe", "direction", 2)).ok);
    ASSERT_TRUE(session.apply({{"op", "remove"}, {"node", "loose"}}).ok);
    const json differences = session.differences();
    const json expected = {{{"section", "nodes"},
                            {"name", "probe"},
                            {"param", "direction"},
                            {"disk", 1},
                            {"session", 2}},
                           {{"section", "nodes"},
                            {"name", "loose"},
                            {"disk", {{"type", "counted"}, {"name", "loose"}, {"value", 0.25}}},
                            {"session", nullptr}}};
    EXPECT_EQ(differences["entries"], expected);

    const json described = session.describe();
    bool found = false;
    for (const json& node : described["nodes"])
        for (const json& param : node["params"])
            if (node["name"] == "probe" && param["name"] == "direction") {
                found = true;
                EXPECT_EQ(param["value"], 2);
                EXPECT_EQ(param["type"], "int");
                EXPECT_FALSE(param["values"].empty());
                EXPECT_FALSE(param["help"].get<std::string>().empty());
            }
    EXPECT_TRUE(found);

    session.save();
    EXPECT_EQ(session.differences()["changed"], false);
}

TEST(LiveSession, TheUndoHistoryIsBounded) {
    test::ScratchDir dir;
    host::LiveOptions options = liveOptions();
    options.undoLimit = 3;
    host::LiveSession session(demoScene(dir), options);
    for (int i = 1; i <= 6; ++i) ASSERT_TRUE(session.apply(set("loose", "value", i)).ok);
    EXPECT_EQ(session.undoSteps(), 3u);
    while (session.undo().ok) {
    }
    EXPECT_EQ(session.redoSteps(), 3u);
    const nlohmann::ordered_json oldest = session.document();
    for (const auto& node : oldest["nodes"])
        if (node["name"] == "loose") {
            EXPECT_EQ(node["value"], 3);
        }
    ASSERT_TRUE(session.redo().ok);
    EXPECT_EQ(session.undoSteps(), 1u);
}

}  // namespace
