// The registry as a renderer sees it: through dlopen of the built module.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "plugin/renderer.h"
#include "universe/plugin_loader.h"

namespace {

class NodeLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        module_ = dlopen(host::defaultPluginPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
        loader_ = reinterpret_cast<NodeLoaderFn>(dlsym(module_, "NodeLoader"));
        ASSERT_NE(loader_, nullptr);
    }
    void TearDown() override {
        if (module_) dlclose(module_);
    }
    static NodeDescriptor poisoned() {
        NodeDescriptor d;
        std::memset(&d, 0xAB, sizeof(d));
        return d;
    }
    void* module_ = nullptr;
    NodeLoaderFn loader_ = nullptr;
};

TEST_F(NodeLoaderTest, AnswersTheEightNodeTypesInOrder) {
    struct Row {
        const char* name;
        uint8_t output;
    };
    const Row expected[] = {{"orv_blocker", 5},       {"orv_trace", 5},
                            {"orv_radio_station", 5}, {"orv_radio_color", 5},
                            {"orv_radio_scalar", 4},  {"orv_radio_integer", 1},
                            {"orv_radio_boolean", 3}, {"orv_radio_vector", 7}};
    for (int i = 0; i < 8; ++i) {
        NodeDescriptor d = poisoned();
        ASSERT_TRUE(loader_(i, &d)) << i;
        EXPECT_STREQ(d.name, expected[i].name);
        EXPECT_EQ(d.outputType, expected[i].output) << d.name;
        EXPECT_EQ(d.nodeKind, 16) << d.name;
        EXPECT_STREQ(d.version, "4.1.1.0");
        ASSERT_NE(d.methods, nullptr);
        ASSERT_NE(d.methods->common, nullptr);
        ASSERT_NE(d.methods->shader, nullptr);
        EXPECT_NE(d.methods->common->parameters, nullptr);
        EXPECT_NE(d.methods->common->initialize, nullptr);
        EXPECT_NE(d.methods->common->update, nullptr);
        EXPECT_NE(d.methods->common->finish, nullptr);
        EXPECT_NE(d.methods->shader->evaluate, nullptr);
    }
}

TEST_F(NodeLoaderTest, RefusedIndicesWriteOnlyTheVersion) {
    for (int index : {8, 9, 1000, -1, -8, INT32_MIN, INT32_MAX}) {
        NodeDescriptor d = poisoned();
        const NodeDescriptor before = d;
        EXPECT_FALSE(loader_(index, &d)) << index;
        EXPECT_STREQ(d.version, "4.1.1.0");
        // Nothing but the version's eight bytes changed.
        EXPECT_EQ(std::memcmp(&d, &before, offsetof(NodeDescriptor, version)), 0) << index;
        EXPECT_EQ(std::memcmp(d.version + 8, before.version + 8, sizeof(d.version) - 8), 0);
    }
}

TEST_F(NodeLoaderTest, RepeatedCallsFillTheSameDescriptor) {
    for (int i = 0; i < 8; ++i) {
        NodeDescriptor a{}, b{};
        ASSERT_TRUE(loader_(i, &a));
        ASSERT_TRUE(loader_(i, &b));
        EXPECT_EQ(a.nodeKind, b.nodeKind);
        EXPECT_EQ(a.outputType, b.outputType);
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.methods, b.methods);
        EXPECT_STREQ(a.version, b.version);
    }
}

TEST(PluginModule, ExportsNodeLoaderAlone) {
    const std::string command = "nm -D --defined-only '" + host::defaultPluginPath() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string symbols;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
        std::string entry(line);
        const std::string name = entry.substr(entry.find_last_of(' ') + 1);
        symbols += name;
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, "NodeLoader\n");
}

TEST(PluginModule, LeavesRendererCallsUndefined) {
    const std::string command = "nm -D --undefined-only '" + host::defaultPluginPath() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string symbols;
    char line[512];
    while (fgets(line, sizeof line, pipe)) symbols += line;
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_NE(symbols.find("AiShaderEvalParamFuncInt"), std::string::npos) << symbols;
}

}  // namespace
