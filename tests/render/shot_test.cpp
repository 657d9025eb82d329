// The benchmarks' hooks into a render: recording its rays and timing its nodes change nothing in
// the image, and see every ray and evaluation; the generated shot renders.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "render/image_buffer.h"
#include "render/scene_render.h"
#include "shading/node_timing.h"
#include "support/scratch_dir.h"
#include "support/shot_scene.h"
#include "tracing/ray_recorder.h"

namespace {

host::ImageBuffer render(const host::SceneRender& job, host::RenderStats* stats = nullptr) {
    host::ImageBuffer image(job.window().width(), job.window().height());
    const host::RenderStats s = job.render(image);
    if (stats) *stats = s;
    return image;
}

bool sameImage(const host::ImageBuffer& a, const host::ImageBuffer& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::memcmp(a.data(), b.data(), sizeof(float) * 4 * a.width() * a.height()) == 0;
}

TEST(ShotRender, RecordingRaysAndTimingNodesLeaveTheImageAsItIs) {
    const test::ScratchDir dir;
    bench::ShotParams params;
    params.triangles = 2000;
    params.lights = 4;
    params.glossySamples = 2;
    params.spheres = 4;
    params.width = 24;
    params.height = 16;
    params.samples = 1;
    bench::ShotFiles files;
    const std::string scene = bench::makeShot(dir.root().string(), params, &files);
    EXPECT_EQ(files.meshes.size(), 5u);
    EXPECT_GT(files.triangles, 1000);

    host::RenderOverrides overrides;
    overrides.threads = 2;
    host::SceneRender job(scene, overrides);
    const host::ImageBuffer plain = render(job);

    // Room for few rays: each thread thins what it keeps and goes on evenly.
    host::RayRecorder recorder(2, 64, 8);
    job.recordRays(&recorder);
    host::RenderStats stats;
    const host::ImageBuffer recorded = render(job, &stats);
    job.recordRays(nullptr);
    EXPECT_TRUE(sameImage(plain, recorded));
    EXPECT_EQ(recorder.seen(0) + recorder.seen(1), stats.rays);
    uint64_t byKind = 0;
    for (int kind = 0; kind < host::RayRecorder::kKinds; ++kind)
        byKind += recorder.seenOfKind(kind);
    EXPECT_EQ(byKind, stats.rays);
    for (int t = 0; t < 2; ++t) {
        const size_t kept = recorder.rays(t).size();
        EXPECT_LE(kept, 64u);
        if (recorder.seen(t) >= 64) {
            EXPECT_GE(kept, 32u);
        }
    }
    // Both kinds of cast are kept, with the interval Embree is given.
    bool traced = false, probed = false;
    for (const auto& r : recorder.rays(0)) {
        (r.traced ? traced : probed) = true;
        EXPECT_LT(r.tnear, r.tfar);
    }
    EXPECT_TRUE(traced && probed);

    std::map<std::string, uint64_t> evaluations;
    {
        host::NodeTimer timer(*job.scene().universe, 2);
        EXPECT_TRUE(sameImage(plain, render(job)));
        for (const auto& t : timer.byType()) evaluations[t.type] = t.evaluations;
    }
    for (const char* type : {"lambert", "flat", "orv_blocker", "orv_trace", "orv_radio_station",
                             "orv_radio_color", "checker"})
        EXPECT_GT(evaluations[type], 0u) << type;
    // Unwrapped again: the nodes evaluate as before.
    EXPECT_TRUE(sameImage(plain, render(job)));
}

}  // namespace
