// Per-evaluation cost of orv_trace (probe, traced, and glossy families of 16) beside the cost
// of Embree's own rtcOccluded1 / rtcIntersect1 on the same rays, and of its environment mode
// beside the environment shader's own evaluation, in one run.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "geometry/embree_scene.h"
#include "geometry/geometry_scene.h"
#include "geometry/object_types.h"
#include "plugin/float3.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "support/heap_counter.h"
#include "support/network.h"
#include "support/ratio_reporter.h"
#include "trace/direction_sampling.h"
#include "tracing/world.h"

using namespace orv;

namespace {

constexpr int kSamples = 256;
constexpr int kFamily = 16;

void constantParameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color", 0.5f, 0.5f, 0.5f);
}
void nothing(Node*, void*) {}
void finishNothing(Node*) {}
void constantEvaluate(Node* node, ShaderGlobals* sg) {
    sg->out.rgb = AiShaderEvalParamFuncRGB(sg, node, 0);
}
const CommonNodeMethods kConstantCommon = {constantParameters, nothing, nothing, finishNothing};
const ShaderNodeMethods kConstantShader = {constantEvaluate};
const NodeMethods kConstantMethods = {&kConstantCommon, &kConstantShader};

/// A floor and twenty balls; samples above them looking down at random, about half of whose
/// rays hit something.
struct Bench {
    test::Network net;
    std::unique_ptr<host::GeometryScene> geometry;
    host::World world;
    std::vector<ShaderGlobals> samples;

    explicit Bench(int rayType, bool glossy) {
        host::registerObjectTypes(net.universe().registry());
        NodeDescriptor d{};
        d.nodeKind = kNodeShader;
        d.outputType = kTypeRGB;
        d.name = "bench_constant";
        d.methods = &kConstantMethods;
        net.universe().registry().add(d, "bench");
        net.add("bench_constant", "paint");
        net.add("bench_constant", "sky");
        net.add("plane", "floor");
        net.set("floor.size", 20.0f);
        net.setValue("floor.shader", host::ParamValue::makeNode(net.node("paint")));
        net.universe().setUserParam(net.node("floor"), "environment",
                                    host::ParamValue::makeNode(net.node("sky")));
        std::mt19937 random(11);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        for (int i = 0; i < 20; ++i) {
            const std::string name = "ball" + std::to_string(i);
            net.add("sphere", name);
            net.set(name + ".translate", Vector{15 * u(random), 1, 15 * u(random)});
            net.setValue(name + ".shader", host::ParamValue::makeNode(net.node("paint")));
        }
        net.add("orv_trace", "tr");
        net.set("tr.rayType", rayType).set("tr.glossy", glossy).set("tr.samples", kFamily);
        net.set("tr.spread", 0.2f);
        net.prepare();
        geometry = std::make_unique<host::GeometryScene>(net.universe());
        world.geometry = geometry.get();
        for (int i = 0; i < kSamples; ++i) {
            ShaderGlobals sg = host::blankShaderGlobals();
            sg.point = Vector{12 * u(random), 6, 12 * u(random)};
            const Float3 dir =
                normalized(Float3(u(random), -0.2f - 0.8f * (u(random) + 1) / 2, u(random)));
            sg.rayDirection = dir.toVector();
            sg.normal = sg.geometricNormal = sg.alternateNormal = Vector{0, 1, 0};
            sg.object = net.node("floor");
            samples.push_back(sg);
        }
    }

    /// The rays the node casts for sample i, as AiMakeRay makes them.
    std::vector<Ray> raysOf(int i, host::ThreadContext& thread) {
        ShaderGlobals sg = samples[i];
        host::SampleScope scope(thread, sg, &world, 0);
        std::vector<Ray> rays;
        const Float3 d(sg.rayDirection);
        auto add = [&](const Float3& dir) {
            Ray ray;
            const Vector v = dir.toVector();
            AiMakeRay(&ray, kRayReflected, &sg.point, &v, 999999995904.0, &sg);
            rays.push_back(ray);
        };
        if (!net.node("tr")->values[10].boolean) {
            add(d);
            return rays;
        }
        const Cone cone = coneFromSpread(0.2f);
        const Frame frame = frameAround(d);
        Sampler* sampler = AiSampler(kFamily, 2);
        SamplerIterator* it = AiSamplerIterator(sampler, &sg);
        float uv[2];
        while (AiSamplerGetSample(it, uv))
            add(familyDirection(frame, d, sampleCone(uv[0], uv[1], cone.cosMax)));
        AiSamplerDestroy(sampler);
        return rays;
    }
};

void BM_Trace(benchmark::State& state) {
    Bench bench(static_cast<int>(state.range(0)), state.range(1) != 0);
    host::ThreadContext& thread = bench.net.thread(0);
    Node* tr = bench.net.node("tr");
    {
        ShaderGlobals sg = bench.samples[0];
        host::SampleScope scope(thread, sg, &bench.world, 0);
        host::evaluateNode(tr, &sg);  // the set-up
    }
    bench::HeapAllocationScope heap(state);
    int i = 0;
    for (auto _ : state) {
        ShaderGlobals sg = bench.samples[i];
        host::SampleScope scope(thread, sg, &bench.world, 0);
        host::evaluateNode(tr, &sg);
        benchmark::DoNotOptimize(sg.out);
        i = (i + 1) % kSamples;
    }
}

/// Embree alone on the rays of the same samples: occluded for probes, intersect otherwise.
void BM_Embree(benchmark::State& state) {
    const bool occluded = state.range(0) == 0;
    Bench bench(static_cast<int>(state.range(0)), state.range(1) != 0);
    std::vector<std::vector<Ray>> rays;
    for (int i = 0; i < kSamples; ++i) rays.push_back(bench.raysOf(i, bench.net.thread(0)));
    RTCScene scene = bench.geometry->internals().scene.get();
    int i = 0;
    for (auto _ : state) {
        for (const Ray& r : rays[i]) {
            RTCIntersectContext context;
            rtcInitIntersectContext(&context);
            RTCRayHit rh;
            rh.ray.org_x = r.origin.x;
            rh.ray.org_y = r.origin.y;
            rh.ray.org_z = r.origin.z;
            rh.ray.dir_x = r.direction.x;
            rh.ray.dir_y = r.direction.y;
            rh.ray.dir_z = r.direction.z;
            rh.ray.tnear = 1e-5f;
            rh.ray.tfar = static_cast<float>(r.maxDistance);
            rh.ray.time = 0;
            rh.ray.mask = 0xFFFFFFFFu;
            rh.ray.id = 0;
            rh.ray.flags = 0;
            if (occluded) {
                rtcOccluded1(scene, &context, &rh.ray);
            } else {
                rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
                rtcIntersect1(scene, &context, &rh);
            }
            benchmark::DoNotOptimize(rh);
        }
        i = (i + 1) % kSamples;
    }
}

/// What the environment mode hands its work to: the environment shader evaluated on the same
/// samples, which is all the renderer does for it (no ray is cast).
void BM_EnvironmentShader(benchmark::State& state) {
    Bench bench(3, false);
    host::ThreadContext& thread = bench.net.thread(0);
    Node* sky = bench.net.node("sky");
    int i = 0;
    for (auto _ : state) {
        ShaderGlobals sg = bench.samples[i];
        host::SampleScope scope(thread, sg, &bench.world, 0);
        AiShaderEvaluate(sky, &sg);
        benchmark::DoNotOptimize(sg.out);
        i = (i + 1) % kSamples;
    }
}

// rayType, glossy
void traceArgs(benchmark::internal::Benchmark* b) {
    b->Args({0, 0})->Args({1, 0})->Args({3, 0})->Args({0, 1})->Args({1, 1});
}
void rayArgs(benchmark::internal::Benchmark* b) {
    b->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});
}
BENCHMARK(BM_Trace)->Apply(traceArgs)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Embree)->Apply(rayArgs)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_EnvironmentShader)->Unit(benchmark::kNanosecond);

void ratioTable(const bench::RatioReporter& r) {
    r.printRatio("probe", "BM_Trace/0/0", "rtcOccluded1 x1", "BM_Embree/0/0");
    r.printRatio("traced (code 4)", "BM_Trace/1/0", "rtcIntersect1 x1", "BM_Embree/1/0");
    r.printRatio("environment", "BM_Trace/3/0", "environment shader", "BM_EnvironmentShader");
    r.printRatio("glossy probe family 16", "BM_Trace/0/1", "rtcOccluded1 x16", "BM_Embree/0/1");
    r.printRatio("glossy traced family 16", "BM_Trace/1/1", "rtcIntersect1 x16", "BM_Embree/1/1");
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithRatioTable(argc, argv, 5, ratioTable);
}
