// The node reference keeps its generated parameter tables in step with the plug-in.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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
    const auto types = pluginTypes(universe);
    std::ifstream in(std::string(ORV_SOURCE_DIR) + "/docs/nodes.md");
    ASSERT_TRUE(in);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(host::updateDocument(text.str(), types), text.str())
        << "docs/nodes.md is out of date: run orv-info --update-doc docs/nodes.md";
    for (const host::NodeType* type : types)
        EXPECT_NE(text.str().find("<!-- orv-info " + type->name + " -->"), std::string::npos)
            << type->name << " has no table in docs/nodes.md";
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
