// Per-evaluation cost of orv_trace (probe, traced, and glossy families of 16) beside the
// renderer calls its algorithm makes (its parameter reads, AiMakeRay, AiTrace or AiTraceProbe,
// and for a family the sampler calls), made without the node on the same samples; beside
// Embree's own rtcOccluded1 / rtcIntersect1 on the same rays, for information; and its
// environment mode beside the environment shader's own evaluation. All in one run.
//
// Run under callgrind, each benchmark's timed loop is dumped on its own with its iteration
// count (scripts/performance.sh turns them into instructions per evaluation).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "builtin/host_node_types.h"
#include "geometry/embree_scene.h"
#include "geometry/geometry_scene.h"
#include "geometry/object_types.h"
#include "plugin/float3.h"
#include "render/node_setup.h"
#include "render/world_builder.h"
#include "scene/scene_reader.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "support/callgrind_marks.h"
#include "support/embree_ray.h"
#include "support/heap_counter.h"
#include "support/network.h"
#include "support/ratio_reporter.h"
#include "support/shot_scene.h"
#include "trace/direction_sampling.h"
#include "tracing/world.h"

using namespace orv;

namespace {

constexpr int kSamples = 256;
constexpr int kFamily = 16;
constexpr float kSpread = 0.2f;
constexpr double kMaxDistance = 999999995904.0;  // the node's: 1e12 as a float

// The node's parameter indices, in its declaration order.
constexpr int kOnHitColor = 2;
constexpr int kOnNoHitColor = 4;
constexpr int kSpreadParam = 12;

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

/// The modes measured: rayType 0 probe, 1 traced (code 4), 3 environment; glossy or not.
struct Mode {
    int rayType;
    bool glossy;
};
const Mode kModes[] = {{0, false}, {1, false}, {3, false}, {0, true}, {1, true}};

std::string traceName(int rayType, bool glossy) {
    return "tr" + std::to_string(rayType) + (glossy ? "g" : "");
}

/// What one evaluation of a mode asks of the renderer beyond its parameter reads: where its
/// rays start and the directions the node computes for them, in the order it casts them.
struct Casts {
    Vector origin;
    std::vector<Vector> directions;
};

/// A scene to trace in, with one orv_trace node per mode, and shading samples in it.
struct Bench {
    host::Universe* universe = nullptr;
    const host::GeometryScene* geometry = nullptr;
    const host::World* world = nullptr;
    host::ThreadContext thread{0};
    std::vector<ShaderGlobals> samples;
    int direction = 0;  ///< the nodes' `direction`
    /// The family's pattern as the node's own, for the host calls made without it.
    Sampler* sampler = AiSampler(kFamily, 2);

    Bench() = default;
    virtual ~Bench() { AiSamplerDestroy(sampler); }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    /// Adds the trace nodes to `u`, before its lifecycle runs.
    void addTraceNodes(host::Universe& u, int traceDirection) {
        universe = &u;
        direction = traceDirection;
        auto set = [&](Node* node, const char* param, host::ParamValue v) {
            u.setParam(node, param, v);
        };
        for (const Mode& mode : kModes) {
            Node* node = u.createNode("orv_trace", traceName(mode.rayType, mode.glossy));
            set(node, "rayType", host::ParamValue::makeInt(mode.rayType));
            set(node, "glossy", host::ParamValue::makeBool(mode.glossy));
            set(node, "samples", host::ParamValue::makeInt(kFamily));
            set(node, "spread", host::ParamValue::makeFloat(kSpread));
            set(node, "direction", host::ParamValue::makeInt(direction));
        }
    }

    Node* trace(const Mode& mode) const {
        return universe->findNode(traceName(mode.rayType, mode.glossy));
    }

    /// The rays the node casts for sample i, as it computes their directions.
    Casts castsOf(int i, const Mode& mode) {
        ShaderGlobals sg = samples[i];
        host::SampleScope scope(thread, sg, world, 0);
        const Float3 d =
            chooseDirection(&sg, direction, mode.rayType, 1.0f, Float3(0.0f, 0.0f, 0.0f));
        Casts casts{sg.point, {}};
        if (!mode.glossy) {
            casts.directions.push_back(d.toVector());
            return casts;
        }
        const Cone cone = coneFromSpread(kSpread);
        const Frame frame = frameAround(d);
        SamplerIterator* it = AiSamplerIterator(sampler, &sg);
        float uv[2];
        while (AiSamplerGetSample(it, uv))
            casts.directions.push_back(
                familyDirection(frame, d, sampleCone(uv[0], uv[1], cone.cosMax)).toVector());
        return casts;
    }
};

/// A floor and twenty balls; the nodes look along the incoming direction from samples above
/// the floor looking down at random, about half of whose rays hit something.
struct TwentyBalls : Bench {
    test::Network net;
    std::unique_ptr<host::GeometryScene> balls;
    host::World ballWorld;

    TwentyBalls() {
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
        addTraceNodes(net.universe(), 0);
        net.prepare();
        balls = std::make_unique<host::GeometryScene>(net.universe());
        ballWorld.geometry = balls.get();
        geometry = balls.get();
        world = &ballWorld;
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
};

/// Triangles in the shot; --shot_triangles=N sets it.
int64_t shotTriangles = 1'500'000;

/// The shot of orv-bench-shot (bench/support/shot_scene.h), read as orv-render reads it: a
/// terrain and displaced spheres of shotTriangles triangles, sixteen lights with blockers,
/// glossy families and radio-coloured surfaces. The samples are the surface points the camera
/// sees through random points of its view, shaded as a camera ray's hit; the nodes look along
/// the mirror direction, so that traced rays come back with the shot's shading.
struct Shot : Bench {
    bench::TemporaryFolder folder{"orv-bench-trace"};
    std::unique_ptr<host::Scene> scene;
    std::unique_ptr<host::RenderWorld> built;

    Shot() {
        bench::ShotParams params;
        params.triangles = shotTriangles;
        host::SceneReadOptions options;
        options.registerTypes = host::registerHostNodeTypes;
        scene = host::readSceneFile(bench::makeShot(folder.path(), params), options);
        addTraceNodes(*scene->universe, 1);
        built = host::buildWorld(*scene);
        scene->universe->prepare();
        host::setUpNodes(*scene, built->world);
        geometry = built->geometry.get();
        world = &built->world;
        // The camera's view: from (0, 7, 24) towards (0, 0.5, 0), 38 degrees across.
        const Float3 eye(0.0f, 7.0f, 24.0f);
        const Float3 ahead = normalized(Float3(0.0f, 0.5f, 0.0f) - eye);
        const Frame view = frameAround(ahead);
        std::mt19937 random(11);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        const float half = std::tan(19.0f * 0.017453292f);
        while (static_cast<int>(samples.size()) < kSamples) {
            const Float3 dir = normalized(
                familyDirection(view, ahead, Float3(half * u(random), half * u(random), 1.0f)));
            host::RayGeometry::Hit hit;
            if (!geometry->intersect(eye.toVector(), dir.toVector(), 1e-4f, 1e30f, &hit)) continue;
            ShaderGlobals sg = host::blankShaderGlobals();
            sg.point = hit.point;
            sg.rayDirection = dir.toVector();
            sg.normal = sg.alternateNormal = hit.shadingNormal;
            sg.geometricNormal = hit.geometricNormal;
            sg.object = hit.object;
            samples.push_back(sg);
        }
    }
    ~Shot() override { scene->universe->finish(); }
};

/// The benches, each built once for every benchmark of the program and left to the end of
/// the process.
Bench& twentyBalls() {
    static Bench* const instance = new TwentyBalls;
    return *instance;
}
Bench& shot() {
    static Bench* const instance = new Shot;
    return *instance;
}

/// The callgrind dump of a timed loop, labelled with its benchmark's name (`family` and its
/// two arguments, if it has them) and iterations.
void dumpInstructions(const benchmark::State& state, const char* family, bool args = true) {
    if (!RUNNING_ON_VALGRIND) return;  // the label allocates, which the heap counts would see
    std::string name = family;
    if (args) name += "/" + std::to_string(state.range(0)) + "/" + std::to_string(state.range(1));
    bench::dumpInstructions(state, name);
}

void traceLoop(benchmark::State& state, Bench& b, const char* family) {
    const Mode mode{static_cast<int>(state.range(0)), state.range(1) != 0};
    Node* tr = b.trace(mode);
    {
        ShaderGlobals sg = b.samples[0];
        host::SampleScope scope(b.thread, sg, b.world, 0);
        host::evaluateNode(tr, &sg);  // the set-up
    }
    bench::HeapAllocationScope heap(state);
    int i = 0;
    CALLGRIND_ZERO_STATS;
    for (auto _ : state) {
        ShaderGlobals sg = b.samples[i];
        host::SampleScope scope(b.thread, sg, b.world, 0);
        host::evaluateNode(tr, &sg);
        benchmark::DoNotOptimize(sg.out);
        i = (i + 1) % kSamples;
    }
    dumpInstructions(state, family);
}

/// The renderer calls of one evaluation, with the node's arguments, made without the node;
/// answers the colour the node makes of what they return.
inline Float3 hostCalls(ShaderGlobals* sg, Node* tr, const Mode& mode, int direction,
                        Sampler* sampler, const Casts& casts) {
    benchmark::DoNotOptimize(AiNodeGetLocalData(tr));
    Float3 onHit(0.0f, 0.0f, 0.0f), onNoHit(0.0f, 0.0f, 0.0f);
    if (mode.rayType == 0) {
        onHit.setFromColorParam(sg, tr, kOnHitColor);
        onNoHit.setFromColorParam(sg, tr, kOnNoHitColor);
    }
    if (direction == 1) {
        Vector mirror;
        AiReflectSafe(&sg->rayDirection, &sg->normal, &sg->geometricNormal, &mirror);
        benchmark::DoNotOptimize(mirror);
    }
    auto cast = [&](const Vector& d) {
        Ray ray;
        AiMakeRay(&ray, kRayReflected, &casts.origin, &d, kMaxDistance, sg);
        if (mode.rayType == 0) {
            ProbeHit scratch;
            return AiTraceProbe(&ray, &scratch) ? onHit : onNoHit;
        }
        TraceResult result;
        AiTrace(&ray, &result);
        return Float3(result.color);
    };
    if (!mode.glossy) return cast(casts.directions[0]);
    benchmark::DoNotOptimize(AiShaderEvalParamFuncFlt(sg, tr, kSpreadParam));
    SamplerIterator* it = AiSamplerIterator(sampler, sg);
    Float3 sum(0.0f, 0.0f, 0.0f);
    // In the node's order: a batch of points from the sampler, then their rays.
    constexpr int kBatch = 16;
    size_t k = 0;
    for (bool more = true; more;) {
        int count = 0;
        float uv[2];
        while (count < kBatch && (more = AiSamplerGetSample(it, uv))) ++count;
        for (int c = 0; c < count; ++c) sum += cast(casts.directions[k++]);
    }
    return k ? sum * AiSamplerGetSampleInvCount(it) : sum;
}

/// The renderer calls the node's algorithm makes for each sample (its per-sample parameter
/// reads, its local data, the mirror direction when it asks for one, AiMakeRay and
/// AiTraceProbe or AiTrace, and for a family `spread` and the sampler's walk), with the same
/// arguments, without the node: the colour is checked against the node's before timing.
void hostCallsLoop(benchmark::State& state, Bench& b, const char* family) {
    const Mode mode{static_cast<int>(state.range(0)), state.range(1) != 0};
    Node* tr = b.trace(mode);
    std::vector<Casts> casts;
    for (int i = 0; i < kSamples; ++i) {
        casts.push_back(b.castsOf(i, mode));
        ShaderGlobals node = b.samples[i], calls = b.samples[i];
        {
            host::SampleScope scope(b.thread, node, b.world, 0);
            host::evaluateNode(tr, &node);
        }
        host::SampleScope scope(b.thread, calls, b.world, 0);
        const RGB made = hostCalls(&calls, tr, mode, b.direction, b.sampler, casts[i]).toRGB();
        if (std::memcmp(&made, &node.out.rgb, sizeof made) != 0) {
            state.SkipWithError("the host calls do not give the node's colour");
            return;
        }
    }
    bench::HeapAllocationScope heap(state);
    int i = 0;
    CALLGRIND_ZERO_STATS;
    for (auto _ : state) {
        ShaderGlobals sg = b.samples[i];
        host::SampleScope scope(b.thread, sg, b.world, 0);
        benchmark::DoNotOptimize(hostCalls(&sg, tr, mode, b.direction, b.sampler, casts[i]));
        i = (i + 1) % kSamples;
    }
    dumpInstructions(state, family);
}

/// Embree alone on the rays of the same samples: occluded for probes, intersect otherwise.
void embreeLoop(benchmark::State& state, Bench& b, const char* family) {
    const Mode mode{static_cast<int>(state.range(0)), state.range(1) != 0};
    const bool occluded = mode.rayType == 0;
    std::vector<std::vector<Ray>> rays(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        ShaderGlobals sg = b.samples[i];
        host::SampleScope scope(b.thread, sg, b.world, 0);
        const Casts casts = b.castsOf(i, mode);
        for (const Vector& d : casts.directions) {
            Ray ray;
            AiMakeRay(&ray, kRayReflected, &casts.origin, &d, kMaxDistance, &sg);
            rays[i].push_back(ray);
        }
    }
    RTCScene scene = b.geometry->internals().scene.get();
    int i = 0;
    CALLGRIND_ZERO_STATS;
    for (auto _ : state) {
        for (const Ray& r : rays[i]) {
            RTCIntersectContext context;
            rtcInitIntersectContext(&context);
            RTCRayHit rh =
                embreeRayHit(r.origin, r.direction, 1e-5f, static_cast<float>(r.maxDistance));
            if (occluded) {
                rtcOccluded1(scene, &context, &rh.ray);
            } else {
                rtcIntersect1(scene, &context, &rh);
            }
            benchmark::DoNotOptimize(rh);
        }
        i = (i + 1) % kSamples;
    }
    dumpInstructions(state, family);
}

void BM_Trace(benchmark::State& state) {
    traceLoop(state, twentyBalls(), "BM_Trace");
}
void BM_TraceHostCalls(benchmark::State& state) {
    hostCallsLoop(state, twentyBalls(), "BM_TraceHostCalls");
}
void BM_Embree(benchmark::State& state) {
    embreeLoop(state, twentyBalls(), "BM_Embree");
}
void BM_ShotTrace(benchmark::State& state) {
    traceLoop(state, shot(), "BM_ShotTrace");
}
void BM_ShotHostCalls(benchmark::State& state) {
    hostCallsLoop(state, shot(), "BM_ShotHostCalls");
}
void BM_ShotEmbree(benchmark::State& state) {
    embreeLoop(state, shot(), "BM_ShotEmbree");
}

/// What the environment mode hands its work to: the environment shader evaluated on the same
/// samples, which is all the renderer does for it (no ray is cast).
void BM_EnvironmentShader(benchmark::State& state) {
    Bench& b = twentyBalls();
    Node* sky = b.universe->findNode("sky");
    int i = 0;
    CALLGRIND_ZERO_STATS;
    for (auto _ : state) {
        ShaderGlobals sg = b.samples[i];
        host::SampleScope scope(b.thread, sg, b.world, 0);
        AiShaderEvaluate(sky, &sg);
        benchmark::DoNotOptimize(sg.out);
        i = (i + 1) % kSamples;
    }
    dumpInstructions(state, "BM_EnvironmentShader", false);
}

// rayType, glossy
void traceArgs(benchmark::internal::Benchmark* b) {
    b->Args({0, 0})->Args({1, 0})->Args({3, 0})->Args({0, 1})->Args({1, 1});
}
void rayArgs(benchmark::internal::Benchmark* b) {
    b->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});
}
BENCHMARK(BM_Trace)->Apply(traceArgs)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_TraceHostCalls)->Apply(rayArgs)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Embree)->Apply(rayArgs)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_EnvironmentShader)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ShotTrace)->Apply(rayArgs)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ShotHostCalls)->Apply(rayArgs)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ShotEmbree)->Apply(rayArgs)->Unit(benchmark::kNanosecond);

/// A ratio line; under callgrind also the pair's benchmark names, which
/// scripts/performance_report.py matches with the dumps' instruction counts.
void pair(const bench::RatioReporter& r, const std::string& label, const std::string& name,
          const std::string& baseLabel, const std::string& base) {
    r.printRatio(label, name, baseLabel, base);
    if (RUNNING_ON_VALGRIND)
        std::printf("callgrind pair: %s | %s | %s | %s\n", label.c_str(), baseLabel.c_str(),
                    name.c_str(), base.c_str());
}

void ratioTable(const bench::RatioReporter& r) {
    const char* const labels[] = {"probe", "traced (code 4)", "glossy probe family 16",
                                  "glossy traced family 16"};
    const char* const args[] = {"/0/0", "/1/0", "/0/1", "/1/1"};
    const char* const rays[] = {"rtcOccluded1 x1", "rtcIntersect1 x1", "rtcOccluded1 x16",
                                "rtcIntersect1 x16"};
    for (const char* scene : {"", "shot: "}) {
        const std::string prefix = *scene ? "BM_Shot" : "BM_Trace";
        for (int m = 0; m < 4; ++m)
            pair(r, scene + std::string(labels[m]),
                 (*scene ? "BM_ShotTrace" : "BM_Trace") + std::string(args[m]), "host calls",
                 prefix + "HostCalls" + args[m]);
        for (int m = 0; m < 4; ++m)
            pair(r, scene + std::string(labels[m]),
                 (*scene ? "BM_ShotTrace" : "BM_Trace") + std::string(args[m]), rays[m],
                 (*scene ? "BM_ShotEmbree" : "BM_Embree") + std::string(args[m]));
    }
    r.printRatio("environment", "BM_Trace/3/0", "environment shader", "BM_EnvironmentShader");
}

}  // namespace

/// Takes --shot_triangles=N out of the arguments Google Benchmark sees.
int main(int argc, char** argv) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const char* flag = "--shot_triangles=";
        if (i > 0 && std::strncmp(argv[i], flag, std::strlen(flag)) == 0) {
            char* end = nullptr;
            const long long n = std::strtoll(argv[i] + std::strlen(flag), &end, 10);
            if (*end != '\0' || n < 1000) {
                std::fprintf(stderr, "orv-bench-trace: %s: a count of at least 1000 triangles\n",
                             argv[i]);
                return 1;
            }
            shotTriangles = n;
            continue;
        }
        args.push_back(argv[i]);
    }
    return bench::runWithRatioTable(static_cast<int>(args.size()), args.data(), 5, ratioTable);
}
