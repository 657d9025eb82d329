// The node reference keeps its generated parameter tables in step with the plug-in.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "builtin/host_node_types.h"
#include "universe/host_error.h"
#include "universe/node_type_report.h"
#include "universe/plugin_loader.h"
#include "universe/universe.h"

namespace {

std::vector<const host::NodeType*> pluginTypes(host::Universe& universe) {
    const std::string path = host::defaultPluginPath();
    universe.loadPlugin(path);
    std::vector<const host::NodeType*> types;
    for (const host::NodeType* type : universe.registry().all())
        if (type->source == path) types.push_back(type);
    return types;
}

TEST(NodeDocs, GeneratedTablesMatchThePlugin) {
    host::Universe universe;
    host::registerHostNodeTypes(universe.registry());
    auto types = pluginTypes(universe);
    for (const host::NodeType* type : universe.registry().all())
        if (type->source == "built-in") types.push_back(type);
    std::ifstream in(std::string(ORV_SOURCE_DIR) + "/docs/nodes.md");
    ASSERT_TRUE(in);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(host::updateDocument(text.str(), types), text.str())
        << "docs/nodes.md is out of date: run orv-info --update-doc docs/nodes.md";
    for (const host::NodeType* type : types) {
        if (type->source == "built-in") continue;
        EXPECT_NE(text.str().find("<!-- orv-info " + type->name + " -->"), std::string::npos)
            << type->name << " has no table in docs/nodes.md";
    }
}

const host::ParamDecl& decl(const host::Universe& universe, const char* type, const char* param) {
    const host::NodeType* t = universe.registry().find(type);
    EXPECT_NE(t, nullptr) << type;
    const int index = t ? t->findParam(param) : -1;
    EXPECT_GE(index, 0) << type << "." << param;
    static const host::ParamDecl kNone;
    return index < 0 ? kNone : t->params[static_cast<size_t>(index)];
}

// The columns of the library's tables and the host's reach the type records through the
// parameters callbacks, each on its own parameter and nothing on the others.
TEST(NodeDocs, ParameterTablesReachTheTypeRecords) {
    host::Universe universe;
    host::registerHostNodeTypes(universe.registry());
    pluginTypes(universe);
    const host::ParamDecl& bType = decl(universe, "orv_blocker", "bType");
    EXPECT_TRUE(bType.oncePerUpdate);
    ASSERT_EQ(bType.values.size(), 4u);
    EXPECT_EQ(bType.values[3].value, 3);
    EXPECT_EQ(bType.values[3].meaning, "cylinder");
    EXPECT_EQ(bType.meantValues(), "0 card, 1 sphere, 2 box, 3 cylinder");
    EXPECT_FALSE(bType.means(host::ParamValue::makeInt(4)));
    EXPECT_NE(bType.otherwise.find("filtered everywhere"), std::string::npos);
    EXPECT_FALSE(decl(universe, "orv_blocker", "bFilter").oncePerUpdate);
    EXPECT_TRUE(decl(universe, "orv_blocker", "bTransl").oncePerUpdate);

    const host::ParamDecl& freq = decl(universe, "orv_radio_station", "vector9Freq");
    EXPECT_TRUE(freq.oncePerUpdate);
    EXPECT_EQ(freq.meantValues(), "0 to 10");
    EXPECT_TRUE(freq.means(host::ParamValue::makeInt(10)));
    EXPECT_FALSE(freq.means(host::ParamValue::makeInt(11)));
    EXPECT_FALSE(decl(universe, "orv_radio_station", "vectors9").oncePerUpdate);
    // A receiver reads its frequency at every sample.
    const host::ParamDecl& tuned = decl(universe, "orv_radio_boolean", "frequency");
    EXPECT_FALSE(tuned.oncePerUpdate);
    EXPECT_FALSE(tuned.means(host::ParamValue::makeInt(-1)));

    EXPECT_TRUE(decl(universe, "orv_trace", "direction").oncePerUpdate);
    EXPECT_FALSE(decl(universe, "orv_trace", "ior").oncePerUpdate);
    EXPECT_EQ(decl(universe, "state", "mode").values.size(), 4u);
    EXPECT_FALSE(decl(universe, "environment", "mode").means(host::ParamValue::makeInt(2)));
}

// Metadata is advice: what the renderer cannot use leaves the type as it was.
TEST(NodeDocs, MetadataTheRendererCannotUseIsIgnored) {
    host::NodeType type;
    type.params.push_back({"mode", host::ParamValue::makeInt(0)});
    ParamList list{&type};
    AiMetaDataSetStr(&list, "mode", "values", "0 off, one on");
    AiMetaDataSetStr(&list, "mode", "values", "0 off,");
    AiMetaDataSetStr(&list, "nope", "values", "0 off");
    AiMetaDataSetBool(&list, "mode", "colour", true);
    AiMetaDataSetStr(&list, "mode", "otherwise", nullptr);
    EXPECT_TRUE(type.params[0].values.empty());
    EXPECT_TRUE(type.params[0].otherwise.empty());
    EXPECT_TRUE(type.params[0].means(host::ParamValue::makeInt(99)));
    AiMetaDataSetStr(&list, "mode", "values", "0 off, 1 on");
    AiMetaDataSetFlt(&list, "mode", "max", 5.0f);
    EXPECT_EQ(type.params[0].meantValues(), "0 off, 1 on");
    EXPECT_FALSE(type.params[0].means(host::ParamValue::makeInt(2)));
}

TEST(NodeDocs, UpdateRewritesOnlyMarkedBlocks) {
    host::Universe universe;
    const auto types = pluginTypes(universe);
    const std::string doc =
        "intro\n<!-- orv-info orv_trace -->\nstale\n<!-- /orv-info -->\noutro\n";
    const std::string updated = host::updateDocument(doc, types);
    EXPECT_EQ(updated.rfind("intro\n<!-- orv-info orv_trace -->\n", 0), 0u);
    EXPECT_EQ(updated.find("stale"), std::string::npos);
    EXPECT_NE(updated.find("Index 1, shader"), std::string::npos);
    EXPECT_EQ(updated.substr(updated.size() - 25), "<!-- /orv-info -->\noutro\n");
    EXPECT_EQ(host::updateDocument(updated, types), updated);
    EXPECT_THROW(host::updateDocument("<!-- orv-info nope -->\n<!-- /orv-info -->", types),
                 host::HostError);
    EXPECT_THROW(host::updateDocument("<!-- orv-info orv_trace -->\n", types), host::HostError);
}

TEST(NodeDocs, JsonAndTextDescribeEveryParameter) {
    host::Universe universe;
    const auto types = pluginTypes(universe);
    ASSERT_EQ(types.size(), 8u);
    const std::string json = host::describeJson(types);
    const std::string text = host::describeText(types);
    for (const host::NodeType* type : types) {
        EXPECT_NE(json.find("\"" + type->name + "\""), std::string::npos);
        EXPECT_NE(text.find(type->name), std::string::npos);
        for (const host::ParamDecl& p : type->params)
            EXPECT_NE(json.find("\"" + p.name + "\""), std::string::npos) << p.name;
    }
}

}  // namespace
