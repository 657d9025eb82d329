// A frame of production scale (bench/support/shot_scene.h) rendered through the host as
// orv-render renders it, and what it costs: rays per second by kind; the render beside the same
// rays replayed through raw Embree on the same scene; the host's ray calls beside raw Embree on
// those rays; the share of the frame in each node type; memory per triangle; OBJ reading beside
// tinyobjloader; the time to build the ray-tracing scene.
#include <embree3/rtcore.h>
#include <malloc.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry/embree_scene.h"
#include "geometry/triangle_mesh.h"
#include "render/image_buffer.h"
#include "render/scene_render.h"
#include "shading/node_timing.h"
#include "shading/sample_state.h"
#include "support/embree_ray.h"
#include "support/shot_scene.h"
#include "tracing/ray_recorder.h"
#include "universe/node.h"
#include "universe/node_kinds.h"

namespace {

struct Options {
    bench::ShotParams shot;
    int threads = 0;            ///< render threads; 0: every core
    size_t keptRays = 1 << 20;  ///< rays kept per render thread for the replays
    int shareScale = 4;         ///< the node-share render is this much smaller each way
};

[[noreturn]] void fail(const std::string& message) {
    throw std::runtime_error(message);
}

long number(const std::string& flag, const char* text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno || end == text || *end || value < low || value > high)
        fail(flag + " takes a whole number from " + std::to_string(low) + " to " +
             std::to_string(high) + ", not '" + text + "'");
    return value;
}

const char* const kUsage =
    "usage: orv-bench-shot [--res WxH] [--spp N] [--triangles N] [--lights N] [--glossy N]\n"
    "                      [--threads N] [--kept-rays N] [--share-scale N]\n"
    "  defaults: --res 1280x720 --spp 16 --triangles 1500000 --lights 16 --glossy 8;\n"
    "  a quick run: --res 320x180 --spp 2 --triangles 100000\n";

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        // The performance script passes every program Google Benchmark's flags.
        if (flag.rfind("--benchmark_", 0) == 0) continue;
        if (flag == "-h" || flag == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc)
            fail(flag == "" ? "an empty argument" : "unknown argument '" + flag + "'");
        const char* value = argv[++i];
        if (flag == "--res") {
            const char* x = std::strchr(value, 'x');
            if (!x) fail("--res takes WxH, e.g. 320x180, not '" + std::string(value) + "'");
            o.shot.width =
                static_cast<int>(number("--res", std::string(value, x).c_str(), 1, 16384));
            o.shot.height = static_cast<int>(number("--res", x + 1, 1, 16384));
        } else if (flag == "--spp") {
            o.shot.samples = static_cast<int>(number(flag, value, 1, 4096));
        } else if (flag == "--triangles") {
            o.shot.triangles = number(flag, value, 1000, 20'000'000);
        } else if (flag == "--lights") {
            o.shot.lights = static_cast<int>(number(flag, value, 0, 256));
        } else if (flag == "--glossy") {
            o.shot.glossySamples = static_cast<int>(number(flag, value, 1, 256));
        } else if (flag == "--threads") {
            o.threads = static_cast<int>(number(flag, value, 0, 255));
        } else if (flag == "--kept-rays") {
            o.keptRays = static_cast<size_t>(number(flag, value, 1000, 100'000'000));
        } else if (flag == "--share-scale") {
            o.shareScale = static_cast<int>(number(flag, value, 1, 64));
        } else {
            fail("unknown argument '" + flag + "'");
        }
    }
    return o;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
double cpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}
double processCpu() {
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}
double threadCpu() {
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

/// Resident memory, after handing freed heap back, so that what a step keeps is what it shows.
double residentBytes() {
    malloc_trim(0);
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

/// Least thread CPU time of `runs` calls of `f`.
double leastCpu(int runs, const std::function<void()>& f) {
    double least = 1e300;
    for (int r = 0; r < runs; ++r) {
        const double start = threadCpu();
        f();
        least = std::min(least, threadCpu() - start);
    }
    return least;
}

/// One line as the ratio tables print it (bench/support/ratio_reporter.h), from CPU seconds.
void printRatio(const char* label, double seconds, const char* baseLabel, double baseSeconds) {
    std::printf("%-52s %14.0f ns  %-32s %14.0f ns  ratio %.2f\n", label, seconds * 1e9, baseLabel,
                baseSeconds * 1e9, seconds / baseSeconds);
}

/// MB/s of the scene reader and of tinyobjloader (as the scene reader called it before it had
/// its own reader) on one file.
void objReading(const std::string& path, uint64_t bytes) {
    {  // In the page cache for both.
        std::ifstream in(path, std::ios::binary);
        std::vector<char> all(bytes);
        in.read(all.data(), static_cast<std::streamsize>(bytes));
    }
    size_t triangles = 0;
    const double reader =
        leastCpu(2, [&] { triangles = host::loadObjMesh(path, "terrain").triangleCount(); });
    const double tiny = leastCpu(2, [&] {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn, err;
        std::ifstream in(path);
        if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in, nullptr, true))
            fail("tinyobjloader does not load " + path + ": " + err);
    });
    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf(
        "OBJ reading (%.1f MB, %zu triangles): scene reader %.1f MB/s, tinyobjloader "
        "%.1f MB/s\n",
        mb, triangles, mb / reader, mb / tiny);
    printRatio("OBJ reading, scene reader", reader, "tinyobjloader", tiny);
}

std::atomic<int64_t> embreeBytes{0};
bool countEmbreeMemory(void*, ssize_t bytes, bool) {
    embreeBytes += bytes;
    return true;
}

/// The render's meshes built again into an Embree scene of our own: the build's time, and the
/// memory Embree holds for them.
void embreeBuild(const host::GeometryScene::Impl& geometry, int64_t triangles) {
    RTCDevice device = rtcNewDevice(nullptr);
    rtcSetDeviceMemoryMonitorFunction(device, countEmbreeMemory, nullptr);
    RTCScene scene = rtcNewScene(device);
    for (const auto& shape : geometry.shapes) {
        if (!shape || shape->kind != host::ShapeKind::Triangles) continue;
        const host::TriangleMesh& mesh = shape->mesh;
        RTCGeometry g = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
        auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(g, RTC_BUFFER_TYPE_VERTEX, 0,
                                                              RTC_FORMAT_FLOAT3, 3 * sizeof(float),
                                                              mesh.positions.size()));
        auto* i = static_cast<uint32_t*>(
            rtcSetNewGeometryBuffer(g, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                    3 * sizeof(uint32_t), mesh.triangleCount()));
        std::memcpy(v, mesh.positions.data(), mesh.positions.size() * sizeof(Vector));
        std::memcpy(i, mesh.indices.data(), mesh.indices.size() * sizeof(uint32_t));
        rtcCommitGeometry(g);
        rtcAttachGeometry(scene, g);
        rtcReleaseGeometry(g);
    }
    const int64_t buffers = embreeBytes.load();
    const double wall = wallSeconds(), cpu = processCpu();
    rtcCommitScene(scene);
    const double buildWall = wallSeconds() - wall, buildCpu = processCpu() - cpu;
    const int64_t bvh = embreeBytes.load() - buffers;
    std::printf(
        "ray-tracing scene build (Embree, %lld triangles): %.3f s wall, %.3f s CPU; "
        "Embree holds %.1f bytes per triangle (%.1f its buffers, %.1f the BVH)\n",
        static_cast<long long>(triangles), buildWall, buildCpu,
        static_cast<double>(buffers + bvh) / static_cast<double>(triangles),
        static_cast<double>(buffers) / static_cast<double>(triangles),
        static_cast<double>(bvh) / static_cast<double>(triangles));
    rtcReleaseScene(scene);
    rtcReleaseDevice(device);
}

const char* kindName(int kind) {
    static const char* const names[host::RayRecorder::kKinds] = {"camera, probed",
                                                                 "camera",
                                                                 "shadow",
                                                                 "shadow, traced",
                                                                 "reflected, probed",
                                                                 "reflected, traced",
                                                                 "refracted, probed",
                                                                 "refracted, traced",
                                                                 "other, probed",
                                                                 "other, traced"};
    return names[kind];
}

/// Raw Embree on one recorded ray, as the benchmarks of the trace node call it.
inline void castRaw(RTCScene scene, const host::RecordedRay& r) {
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit rh = embreeRayHit(r.origin, r.direction, r.tnear, r.tfar);
    if (r.traced) {
        rtcIntersect1(scene, &context, &rh);
    } else {
        rtcOccluded1(scene, &context, &rh.ray);
    }
    asm volatile("" : : "r"(&rh) : "memory");
}

struct KindTimes {
    double raw[host::RayRecorder::kKinds] = {};   ///< seconds, scaled to every ray of the frame
    double host[host::RayRecorder::kKinds] = {};  ///< the same through the host's ray calls
};

/// Every kept ray replayed twice, kind by kind and thread by thread in the order cast: through
/// raw Embree, then through AiMakeRay and AiTrace or AiTraceProbe, with the objects' shaders
/// and the background taken away so that a traced ray's hit is found but not shaded. Each
/// time is scaled by the thread's rays in all over those it kept.
KindTimes replay(const host::SceneRender& job, const host::RayRecorder& recorder) {
    KindTimes times;
    const host::RenderWorld& rendered = job.world();
    const host::GeometryScene& geometry = *rendered.geometry;
    RTCScene scene = geometry.internals().scene.get();
    host::Universe& universe = *job.scene().universe;
    std::vector<std::pair<Node*, Node*>> shaders;
    Node* anObject = nullptr;
    for (const auto& node : universe.nodes())
        if (node->type->kind == kNodeShape) {
            shaders.emplace_back(node.get(), node->values[host::kObjectShader].node);
            node->values[host::kObjectShader].node = nullptr;
            anObject = node.get();
        }
    host::World bare;
    bare.geometry = rendered.world.geometry;
    bare.maxRayDepth = rendered.world.maxRayDepth;
    host::ThreadContext thread(0);
    for (int t = 0; t < recorder.threads(); ++t) {
        const std::vector<host::RecordedRay> all = recorder.rays(t);
        if (all.empty()) continue;
        const double scale =
            static_cast<double>(recorder.seen(t)) / static_cast<double>(all.size());
        for (int kind = 0; kind < host::RayRecorder::kKinds; ++kind) {
            std::vector<host::RecordedRay> rays;
            for (const auto& r : all)
                if (host::RayRecorder::kindOf(r.type, r.traced) == kind) rays.push_back(r);
            if (rays.empty()) continue;
            times.raw[kind] += scale * leastCpu(2, [&] {
                                   for (const auto& r : rays) castRaw(scene, r);
                               });
            ShaderGlobals sg = host::blankShaderGlobals();
            host::SampleScope scope(thread, sg, &bare, 0);
            times.host[kind] +=
                scale * leastCpu(2, [&] {
                    for (const auto& r : rays) {
                        sg.point = r.point;
                        sg.geometricNormal = r.geometricNormal;
                        sg.object = r.onObject ? anObject : nullptr;
                        Ray ray;
                        AiMakeRay(&ray, r.type, &r.point, &r.direction, r.maxDistance, &sg);
                        if (r.traced) {
                            TraceResult result;
                            AiTrace(&ray, &result);
                            asm volatile("" : : "r"(&result) : "memory");
                        } else {
                            ProbeHit hit;
                            const bool found = AiTraceProbe(&ray, &hit);
                            asm volatile("" : : "r"(found) : "memory");
                        }
                    }
                });
        }
    }
    for (const auto& [object, shader] : shaders) object->values[host::kObjectShader].node = shader;
    return times;
}

/// The share of a frame spent in each node type: the shot rendered again, smaller, on one
/// thread, with the host timing every node's evaluations.
void nodeShares(const std::string& scenePath, const Options& o) {
    host::RenderOverrides overrides;
    overrides.width = std::max(1, o.shot.width / o.shareScale);
    overrides.height = std::max(1, o.shot.height / o.shareScale);
    overrides.samples = o.shot.samples;
    overrides.threads = 1;
    const host::SceneRender job(scenePath, overrides);
    host::ImageBuffer image(job.window().width(), job.window().height());
    std::vector<host::NodeTimer::TypeTime> times;
    uint64_t frame = 0;
    {
        host::NodeTimer timer(*job.scene().universe, 1);
        const uint64_t start = host::NodeTimer::ticks();
        job.render(image);
        frame = host::NodeTimer::ticks() - start;
        times = timer.byType();
    }
    std::sort(times.begin(), times.end(),
              [](const auto& a, const auto& b) { return a.ticks > b.ticks; });
    std::printf(
        "\nshare of the frame in each node type (%dx%d, %d spp, 1 thread; a node's own "
        "time: the rays it casts included, the nodes it evaluates not):\n",
        overrides.width, overrides.height, overrides.samples);
    uint64_t nodes = 0;
    for (const auto& t : times) {
        if (t.evaluations == 0) continue;
        nodes += t.ticks;
        std::printf("  %-20s %5.1f %%  %12llu evaluations\n", t.type.c_str(),
                    100.0 * static_cast<double>(t.ticks) / static_cast<double>(frame),
                    static_cast<unsigned long long>(t.evaluations));
    }
    std::printf(
        "  %-20s %5.1f %%  (camera rays, lights, samplers, film)\n", "the host",
        100.0 * static_cast<double>(frame - std::min(nodes, frame)) / static_cast<double>(frame));
}

int run(const Options& o) {
    std::printf("machine: %ld cores; load average at the start: ", sysconf(_SC_NPROCESSORS_ONLN));
    {
        std::ifstream load("/proc/loadavg");
        double a = 0, b = 0, c = 0;
        load >> a >> b >> c;
        std::printf("%.2f %.2f %.2f\n", a, b, c);
    }
    const bench::TemporaryFolder folder("orv-bench-shot");
    bench::ShotFiles files;
    double start = wallSeconds();
    const std::string scenePath = bench::makeShot(folder.path(), o.shot, &files);
    std::printf(
        "shot: %lld triangles in %zu OBJ files (%.1f MB, written in %.2f s), %d lights "
        "with blockers, glossy families of %d, %dx%d, %d spp\n",
        static_cast<long long>(files.triangles), files.meshes.size(),
        static_cast<double>(files.meshBytes) / 1e6, wallSeconds() - start, o.shot.lights,
        o.shot.glossySamples, o.shot.width, o.shot.height, o.shot.samples);

    objReading(files.meshes.front(),
               static_cast<uint64_t>(
                   std::ifstream(files.meshes.front(), std::ios::ate | std::ios::binary).tellg()));

    const double residentBefore = residentBytes();
    host::RenderOverrides overrides;
    overrides.threads = o.threads;
    start = wallSeconds();
    const double cpuStart = processCpu();
    host::SceneRender job(scenePath, overrides);
    std::printf("scene read, checked, built and set up: %.2f s wall, %.2f s CPU\n",
                wallSeconds() - start, processCpu() - cpuStart);
    const double resident = residentBytes() - residentBefore;
    std::printf("memory per triangle: %.1f bytes resident after the scene is built\n",
                resident / static_cast<double>(files.triangles));
    const auto& geometry = *job.world().geometry;
    embreeBuild(geometry.internals(), files.triangles);

    const int threads = job.settings().threads;
    host::RayRecorder recorder(threads, o.keptRays);
    job.recordRays(&recorder);
    host::ImageBuffer image(job.window().width(), job.window().height());
    start = wallSeconds();
    const double renderCpuStart = processCpu();
    const host::RenderStats stats = job.render(image);
    const double renderCpu = processCpu() - renderCpuStart, renderWall = wallSeconds() - start;
    job.recordRays(nullptr);
    std::printf(
        "\nrender: %.2f s wall, %.2f s CPU on %d threads; %llu samples, %llu rays, "
        "%.2f M rays per CPU second\n",
        renderWall, renderCpu, stats.threads, static_cast<unsigned long long>(stats.samples),
        static_cast<unsigned long long>(stats.rays),
        static_cast<double>(stats.rays) / renderCpu / 1e6);

    const KindTimes times = replay(job, recorder);
    double raw = 0, host = 0;
    std::printf(
        "\nrays by kind (each kind replayed alone, in the order cast; M rays per CPU "
        "second):\n  %-20s %12s %12s %12s %8s\n",
        "kind", "rays", "raw Embree", "host calls", "ratio");
    for (int kind = 0; kind < host::RayRecorder::kKinds; ++kind) {
        const uint64_t n = recorder.seenOfKind(kind);
        if (n == 0) continue;
        raw += times.raw[kind];
        host += times.host[kind];
        std::printf(
            "  %-20s %12llu %12.2f %12.2f %8.2f\n", kindName(kind),
            static_cast<unsigned long long>(n), static_cast<double>(n) / times.raw[kind] / 1e6,
            static_cast<double>(n) / times.host[kind] / 1e6, times.host[kind] / times.raw[kind]);
    }
    // In the ratio tables' form (label, ns, baseline, ns, ratio): the ns of the whole frame.
    std::printf("\n");
    printRatio("render (shading, nodes, sampling) / replayed rays", renderCpu,
               "raw rtcIntersect1/rtcOccluded1", raw);
    printRatio("host ray calls (AiMakeRay + AiTrace/AiTraceProbe)", host,
               "raw Embree on the same rays", raw);

    nodeShares(scenePath, o);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Each figure as it comes: a full run takes minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        return run(parse(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orv-bench-shot: %s\n", e.what());
        return 1;
    }
}
