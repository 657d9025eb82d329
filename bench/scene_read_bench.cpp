// Reading and checking a scene file against its size: named nodes, unnamed objects (each given
// a generated name) and a chain of links, from a thousand to a hundred thousand of each, and a
// "diamond" of links 64 levels deep (each node feeding both inputs of the next, 2^64 paths).
// After the runs, each family's growth exponent: the slope of log time against log size, 1 for
// a cost linear in the scene.
#include <benchmark/benchmark.h>

#include <string>

#include "builtin/host_node_types.h"
#include "scene/scene_reader.h"
#include "support/growth_reporter.h"

namespace {

/// Only the host's own node types: the plug-in's loading is a fixed cost that would blur the
/// slope.
host::SceneReadOptions hostTypesOnly() {
    host::SceneReadOptions options;
    options.registerTypes = host::registerHostNodeTypes;
    options.loadDefaultPlugin = false;
    return options;
}

std::string namedNodes(int count) {
    std::string text = "{\"nodes\": [\n";
    for (int i = 0; i < count; ++i)
        text += std::string(i ? ",\n" : "") + "{\"type\": \"flat\", \"name\": \"n" +
                std::to_string(i) + "\", \"color\": [0.5, 0.5, 0.5]}";
    return text + "\n]}\n";
}

std::string unnamedObjects(int count) {
    std::string text = "{\"nodes\": [{\"type\": \"flat\", \"name\": \"f\"}],\n\"objects\": [\n";
    for (int i = 0; i < count; ++i)
        text += std::string(i ? ",\n" : "") + "{\"type\": \"sphere\", \"shader\": \"f\"}";
    return text + "\n]}\n";
}

/// Each node linked to the one before it, so that every link's source already has all of the
/// chain upstream of it.
std::string linkChain(int count) {
    std::string text = "{\"nodes\": [\n{\"type\": \"flat\", \"name\": \"n0\"}";
    for (int i = 1; i < count; ++i)
        text += ",\n{\"type\": \"lambert\", \"name\": \"n" + std::to_string(i) +
                "\", \"color\": {\"link\": \"n" + std::to_string(i - 1) + "\"}}";
    return text + "\n]}\n";
}

std::string diamond(int depth) {
    std::string text = "{\"nodes\": [\n{\"type\": \"flat\", \"name\": \"c0\"}";
    for (int i = 1; i <= depth; ++i) {
        const std::string below = "{\"link\": \"c" + std::to_string(i - 1) + "\"}";
        text += ",\n{\"type\": \"checker\", \"name\": \"c" + std::to_string(i) +
                "\", \"color1\": " + below + ", \"color2\": " + below + "}";
    }
    return text + "\n]}\n";
}

void readScene(benchmark::State& state, std::string (*make)(int)) {
    const int count = static_cast<int>(state.range(0));
    const std::string text = make(count);
    for (auto _ : state) {
        auto scene = host::readSceneText(text, "bench.json", ".", hostTypesOnly());
        benchmark::DoNotOptimize(scene.get());
    }
    bench::setGrowthSize(state, count);
}

void BM_NamedNodes(benchmark::State& state) {
    readScene(state, namedNodes);
}
void BM_UnnamedObjects(benchmark::State& state) {
    readScene(state, unnamedObjects);
}
void BM_LinkChain(benchmark::State& state) {
    readScene(state, linkChain);
}
void BM_Diamond(benchmark::State& state) {
    readScene(state, diamond);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int n : {1000, 3000, 10000, 30000, 100000}) b->Arg(n);
    b->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

BENCHMARK(BM_NamedNodes)->Apply(sizes);
BENCHMARK(BM_UnnamedObjects)->Apply(sizes);
BENCHMARK(BM_LinkChain)->Apply(sizes);
BENCHMARK(BM_Diamond)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGrowthTable(argc, argv, "scene size");
}
