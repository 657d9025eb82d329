// Node types, instances, parameters, links and the lifecycle, as plug-ins rely on them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "shading/network.h"
#include "support/network.h"
#include "support/scratch_dir.h"
#include "support/test_nodes.h"
#include "universe/host_error.h"
#include "universe/plugin_loader.h"
#include "universe/plugin_search.h"
#include "universe/value_types.h"

namespace {

using test::Network;

class UniverseTest : public ::testing::Test {
  protected:
    UniverseTest() : net(false) {
        test::registerTestNodes(net.universe());
        test::recorderEvents().clear();
        test::constantEvaluations() = 0;
    }
    Network net;
};

TEST_F(UniverseTest, DeclaredParametersKeepOrderAndDefaults) {
    const host::NodeType* type = net.universe().registry().find("test_recorder");
    ASSERT_NE(type, nullptr);
    ASSERT_EQ(type->params.size(), 3u);
    EXPECT_EQ(type->params[0].name, "value");
    EXPECT_EQ(type->params[1].name, "count");
    EXPECT_EQ(type->params[2].name, "tint");
    EXPECT_EQ(type->params[1].defaultValue.type, kTypeInt);
    EXPECT_EQ(type->params[1].defaultValue.integer, 3);
    EXPECT_FLOAT_EQ(type->params[2].defaultValue.rgb.g, 0.5f);
    Node* node = net.add("test_recorder", "r");
    EXPECT_FLOAT_EQ(net.evaluate("r").flt, 0.5f);
    EXPECT_EQ(node->values[1].integer, 3);
}

TEST_F(UniverseTest, ParametersAreSetByNameWithTypeChecks) {
    net.add("test_recorder", "r");
    net.set("r.value", 2.0f);
    EXPECT_FLOAT_EQ(net.evaluate("r").flt, 2.0f);
    net.set("r.value", 7);  // an integer widens to a float
    EXPECT_FLOAT_EQ(net.evaluate("r").flt, 7.0f);
    net.set("r.tint", 0.5f);  // a float widens to a grey colour
    EXPECT_FLOAT_EQ(net.node("r")->values[2].rgb.b, 0.5f);
    EXPECT_THROW(net.set("r.count", 1.5f), host::HostError);
    EXPECT_THROW(net.set("r.value", RGB{1, 1, 1}), host::HostError);
    try {
        net.set("r.nothing", 1);
        FAIL();
    } catch (const host::HostError& e) {
        EXPECT_NE(std::string(e.what()).find("'nothing'"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("'r'"), std::string::npos) << e.what();
    }
}

TEST_F(UniverseTest, UnknownTypesAndDuplicateNamesAreRefused) {
    EXPECT_THROW(net.add("no_such_type", "x"), host::HostError);
    net.add("test_recorder", "r");
    EXPECT_THROW(net.add("test_constant", "r"), host::HostError);
}

// Of a node type's callbacks only evaluate is called without a check: a type without one
// is refused when registered, not found out by the first sample that reaches it.
TEST_F(UniverseTest, NodeTypeWithoutAnEvaluateCallbackIsRefused) {
    static const CommonNodeMethods common = {nullptr, nullptr, nullptr, nullptr};
    static const ShaderNodeMethods shader = {nullptr};
    static const NodeMethods methods = {&common, &shader};
    NodeDescriptor descriptor{};  // kind and output type are not what is refused
    descriptor.name = "no_evaluate";
    descriptor.methods = &methods;
    try {
        net.universe().registry().add(descriptor, "broken.so");
        FAIL() << "a node type without evaluate was registered";
    } catch (const host::HostError& e) {
        EXPECT_NE(std::string(e.what()).find("'no_evaluate' has no evaluate callback"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_THROW(net.add("no_evaluate", "n"), host::HostError);
}

TEST_F(UniverseTest, LinkedParameterRunsUpstreamAndKeepsCallerOutput) {
    net.add("test_constant", "c");
    net.add("test_recorder", "r");
    net.set("c.color", RGBA{0.2f, 0.4f, 0.6f, 1.0f});
    net.link("r.tint", "c");
    net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    sg.out.rgba = RGBA{9, 9, 9, 9};
    const RGB tint = AiShaderEvalParamFuncRGB(&sg, net.node("r"), 2);
    EXPECT_FLOAT_EQ(tint.r, 0.2f);
    EXPECT_FLOAT_EQ(tint.b, 0.6f);
    EXPECT_EQ(sg.out.rgba.r, 9.0f);
    EXPECT_EQ(sg.out.rgba.a, 9.0f);
    EXPECT_EQ(test::constantEvaluations().load(), 1);
    // An unlinked parameter does not run anything.
    EXPECT_FLOAT_EQ(AiShaderEvalParamFuncFlt(&sg, net.node("r"), 0), 0.5f);
    EXPECT_EQ(test::constantEvaluations().load(), 1);
}

TEST_F(UniverseTest, ReadsMayWidenButAReadOfAnotherTypeStopsACheckedBuild) {
    Node* r = net.add("test_recorder", "r");
    net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    // Widening reads are legal in every build: the int `count` as a float, `tint` with alpha.
    EXPECT_EQ(AiShaderEvalParamFuncFlt(&sg, r, 1), 3.0f);
    EXPECT_EQ(AiShaderEvalParamFuncRGBA(&sg, r, 2).a, 1.0f);
    EXPECT_EQ(AiShaderEvalParamFuncVec(&sg, r, 2).y, 0.5f);
#ifdef ORV_CHECK_PARAM_READS
    EXPECT_DEATH(AiShaderEvalParamFuncFlt(&sg, r, 2),
                 "AiShaderEvalParamFuncFlt: parameter 'tint' \\(2\\) of node 'r' "
                 "\\(test_recorder\\) is declared rgb, read as float");
    EXPECT_DEATH(AiShaderEvalParamFuncInt(&sg, r, 0), "'value'.* declared float, read as int");
    EXPECT_DEATH(AiShaderEvalParamFuncBool(&sg, r, 3),
                 "node 'r' \\(test_recorder\\) has no parameter 3: it declares 3");
#else
    // The plain build answers such a read with zero.
    EXPECT_EQ(AiShaderEvalParamFuncFlt(&sg, r, 2), 0.0f);
    EXPECT_EQ(AiShaderEvalParamFuncBool(&sg, r, 3), false);
#endif
}

// A light, camera or object type whose parameters the renderer could not read by its kind's
// indices is refused when registered, naming what it lacks, rather than read at a wrong index.
TEST_F(UniverseTest, TypesOfAKindTheRendererReadsMustBeginWithTheKindsParameters) {
    static const CommonNodeMethods common = {[](ParamList* params, NodeEntry*) {
                                                 AiNodeParamFlt(params, -1, "intensity", 1.0f);
                                                 AiNodeParamRGB(params, -1, "color", 1.0f, 1.0f,
                                                                1.0f);
                                             },
                                             nullptr, nullptr, nullptr};
    static const ShaderNodeMethods shader = {[](Node*, ShaderGlobals*) {}};
    static const NodeMethods methods = {&common, &shader};
    NodeDescriptor descriptor{};
    descriptor.name = "swapped_light";
    descriptor.nodeKind = kNodeLight;
    descriptor.methods = &methods;
    try {
        net.universe().registry().add(descriptor, "lights.so");
        FAIL() << "a light type without the lights' parameters was registered";
    } catch (const host::HostError& e) {
        EXPECT_NE(std::string(e.what()).find(
                      "lights.so: node type 'swapped_light' (kind light): its parameters must "
                      "begin with color (rgb), intensity (float); parameter 0 is 'intensity' "
                      "(float)"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(net.universe().registry().find("swapped_light"), nullptr);
    // As a shader the same table is fine, and a read by a name it lacks is refused loudly.
    descriptor.nodeKind = kNodeShader;
    net.universe().registry().add(descriptor, "lights.so");
    Node* node = net.add("swapped_light", "s");
    EXPECT_EQ(host::storedValue(*node, "color").type, kTypeRGB);
    EXPECT_THROW(host::storedValue(*node, "position"), host::HostError);
}

// The columns of each type's row agree with one another: what a type writes as JSON reads
// back as the same value, and every widening its row allows gives a value of the wider type.
TEST(ValueTypes, JsonReadsBackAndEveryAllowedWideningConverts) {
    const double components[4] = {2.0, -0.25, 3.0, 0.5};
    auto sample = [&](const host::ValueType& row) {
        host::ParamValue value;
        value.type = row.code;
        if (row.fromComponents) row.fromComponents(components, "text", &value);
        return value;
    };
    auto exact = [](float f) { return nlohmann::json(f); };
    int readBack = 0, widened = 0;
    for (auto* row = host::valueTypesBegin(); row != host::valueTypesEnd(); ++row) {
        const host::ParamValue value = sample(*row);
        if (row->toJson && row->readLiteral) {
            host::ParamValue back;
            ASSERT_TRUE(row->readLiteral(row->toJson(value, exact), &back)) << row->name;
            EXPECT_EQ(host::formatValue(back), host::formatValue(value)) << row->name;
            ++readBack;
        }
        for (auto* to = host::valueTypesBegin(); to != host::valueTypesEnd(); ++to) {
            if (to->code == row->code || !host::canConvert(row->code, to->code)) continue;
            const host::ParamValue wide = host::convert(value, to->code);
            EXPECT_EQ(wide.type, to->code);
            EXPECT_NE(host::formatValue(wide), host::formatValue(host::convert({}, to->code)))
                << row->name << " to " << to->name << " gives zero";
            ++widened;
        }
    }
    EXPECT_EQ(readBack, 6);  // bool, int, float, rgb, rgba, vector
    EXPECT_EQ(widened, 9);   // int to float; to rgb and rgba three each; float and rgb to vector
}

TEST_F(UniverseTest, LinksAreTypeCheckedAndCyclesRejected) {
    net.add("test_constant", "c");
    net.add("test_recorder", "a");
    net.add("test_recorder", "b");
    EXPECT_THROW(net.link("a.count", "c"), host::HostError);  // colour into an int
    net.link("a.value", "b");
    EXPECT_THROW(net.link("b.value", "a"), host::HostError);
    EXPECT_THROW(net.link("a.value", "a"), host::HostError);
    EXPECT_THROW(net.link("a.missing", "b"), host::HostError);
}

TEST_F(UniverseTest, LifecycleInitializesThenUpdatesBeforeEvaluateAndFinishesOnce) {
    net.add("test_recorder", "r");
    net.evaluate("r");
    net.evaluate("r");  // nothing changed: no second update
    net.set("r.value", 1.0f);
    net.evaluate("r");
    net.universe().finish();
    const std::vector<std::string> expected = {"initialize:r", "update:r", "evaluate:r",
                                               "evaluate:r",   "update:r", "evaluate:r",
                                               "finish:r"};
    EXPECT_EQ(test::recorderEvents(), expected);
}

TEST_F(UniverseTest, ChangeUpstreamUpdatesDownstreamToo) {
    net.add("test_recorder", "up");
    net.add("test_recorder", "down");
    net.link("down.value", "up");
    net.prepare();
    test::recorderEvents().clear();
    net.set("up.count", 4);
    net.prepare();
    const std::vector<std::string> expected = {"update:up", "update:down"};
    EXPECT_EQ(test::recorderEvents(), expected);
}

TEST_F(UniverseTest, OptionsUserParametersAndLocalData) {
    Node* options = AiUniverseGetOptions();
    ASSERT_EQ(options, net.universe().options());
    EXPECT_EQ(AiNodeGetInt(options, "threads"), 0);
    net.setThreads(6);
    EXPECT_EQ(AiNodeGetInt(options, "threads"), 6);
    EXPECT_EQ(net.universe().renderThreads(), 6);
    net.setThreads(-3);
    EXPECT_GE(net.universe().renderThreads(), 1);
    net.setThreads(1000);
    EXPECT_EQ(net.universe().renderThreads(), 255);

    Node* object = net.add("test_recorder", "object");
    Node* env = net.add("test_constant", "env");
    EXPECT_EQ(AiNodeLookUpUserParameter(object, "environment"), nullptr);
    EXPECT_EQ(AiNodeGetPtr(object, "environment"), nullptr);
    net.universe().setUserParam(object, "environment", host::ParamValue::makeNode(env));
    net.universe().setUserParam(object, "level", host::ParamValue::makeInt(12));
    EXPECT_NE(AiNodeLookUpUserParameter(object, "environment"), nullptr);
    EXPECT_EQ(AiNodeGetPtr(object, "environment"), env);
    EXPECT_EQ(AiNodeGetInt(object, "level"), 12);
    EXPECT_EQ(AiNodeGetInt(object, "count"), 3);
    EXPECT_EQ(AiNodeGetInt(object, "nothing"), 0);

    int data = 0;
    AiNodeSetLocalData(object, &data);
    EXPECT_EQ(AiNodeGetLocalData(object), &data);
}

TEST(UniverseNesting, DestroyingANewerUniverseReactivatesTheOneBefore) {
    host::Universe outer;
    {
        host::Universe inner;
        EXPECT_EQ(AiUniverseGetOptions(), inner.options());
    }
    EXPECT_EQ(AiUniverseGetOptions(), outer.options());
    // Out of order: the middle one goes first, then the newest; the oldest is active again.
    auto middle = std::make_unique<host::Universe>();
    auto newest = std::make_unique<host::Universe>();
    middle.reset();
    EXPECT_EQ(host::activeUniverse(), newest.get());
    newest.reset();
    EXPECT_EQ(host::activeUniverse(), &outer);
}

TEST(PluginLoading, ErrorsNameThePathAndTheReason) {
    host::Universe universe;
    try {
        universe.loadPlugin("/nonexistent/orv_shaders.so");
        FAIL();
    } catch (const host::HostError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/orv_shaders.so"), std::string::npos);
    }
    const std::string library = host::hostLibraryDir() + "/liborv_host_core.so";
    try {
        universe.loadPlugin(library);  // a real module, but no NodeLoader
        FAIL();
    } catch (const host::HostError& e) {
        EXPECT_NE(std::string(e.what()).find("'" + library +
                                             "' is not a plug-in: exports no "
                                             "NodeLoader"),
                  std::string::npos)
            << e.what();
    }
    const auto names = universe.loadPlugin(host::defaultPluginPath());
    EXPECT_EQ(names.size(), 8u);
}

// A module reached again, by the same path or through a link, is the one already loaded.
TEST(PluginLoading, SameFileIsLoadedOnce) {
    test::ScratchDir scratch;
    const std::filesystem::path link = scratch.path("link.so");
    std::filesystem::create_symlink(host::defaultPluginPath(), link);
    host::Universe universe;
    EXPECT_EQ(universe.loadPlugin(link.string()).size(), 8u);
    EXPECT_TRUE(universe.loadPlugin(host::defaultPluginPath()).empty());
    EXPECT_TRUE(universe.loadPlugin(link.string()).empty());
    EXPECT_EQ(universe.registry().find("orv_trace")->source, link.string());
}

// The version NodeLoader writes is checked before any of the module's types is registered; a
// major version other than the host's is refused, naming the module and both versions.
TEST(PluginLoading, ModuleOfAnotherRendererVersionIsRefusedNamingIt) {
    const std::string path = ORV_OTHER_VERSION_MODULE;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto* version = static_cast<char*>(dlsym(module, "orvTestModuleVersion"));
    ASSERT_NE(version, nullptr);
    host::Universe universe;
    for (const char* other : {"5.0.0.0", "41.1.1.0", "3.9", ""}) {
        std::strncpy(version, other, 32);
        try {
            universe.loadPlugin(path);
            ADD_FAILURE() << "accepted version '" << other << "'";
        } catch (const host::HostError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(path), std::string::npos) << what;
            EXPECT_NE(what.find("'" + std::string(other) + "'"), std::string::npos) << what;
            EXPECT_NE(what.find(host::kHostVersion), std::string::npos) << what;
        }
        EXPECT_EQ(universe.registry().find("orv_test_versioned"), nullptr) << other;
    }
    std::strncpy(version, "4.2.0.0", 32);  // another minor version of the same interface
    EXPECT_EQ(universe.loadPlugin(path), std::vector<std::string>{"orv_test_versioned"});
    dlclose(module);
}

}  // namespace
