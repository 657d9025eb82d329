#include "render/bucket_renderer.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "render/camera_sample.h"
#include "render/pixel_samples.h"
#include "render/render_threads.h"
#include "shading/sample_state.h"

namespace host {

namespace {

struct Bucket {
    int x0, y0, x1, y1;
};

std::vector<Bucket> centreOutBuckets(int width, int height, int size) {
    std::vector<Bucket> buckets;
    for (int y = 0; y < height; y += size)
        for (int x = 0; x < width; x += size)
            buckets.push_back({x, y, std::min(x + size, width), std::min(y + size, height)});
    const float cx = width * 0.5f, cy = height * 0.5f;
    auto distance = [&](const Bucket& b) {
        const float dx = (b.x0 + b.x1) * 0.5f - cx, dy = (b.y0 + b.y1) * 0.5f - cy;
        return dx * dx + dy * dy;
    };
    std::stable_sort(buckets.begin(), buckets.end(),
                     [&](const Bucket& a, const Bucket& b) { return distance(a) < distance(b); });
    return buckets;
}

}  // namespace

RenderStats renderImage(const World& world, const Camera& camera, const RenderSettings& settings,
                        ImageBuffer& image, const std::atomic<bool>* stop,
                        const ProgressFn& progress) {
    Film film(image.width(), image.height());
    const RenderStats stats = renderImage(world, camera, settings, film, stop, progress);
    image = std::move(film.beauty());
    return stats;
}

RenderStats renderImage(const World& world, const Camera& camera, const RenderSettings& settings,
                        Film& film, const std::atomic<bool>* stop, const ProgressFn& progress) {
    const ImageBuffer& image = film.beauty();
    const bool channels = film.hasExtra();
    const auto started = std::chrono::steady_clock::now();
    const std::vector<Bucket> buckets =
        centreOutBuckets(image.width(), image.height(), std::max(1, settings.bucketSize));
    const int total = static_cast<int>(buckets.size());
    const uint32_t spp = static_cast<uint32_t>(std::max(1, settings.samples));
    const int threads = std::clamp(settings.threads, 1, 255);
    const float weight = 1.0f / static_cast<float>(spp);

    std::atomic<int> next{0};
    std::atomic<int> done{0};
    std::atomic<uint64_t> rays{0};
    std::atomic<uint64_t> samples{0};
    std::atomic<bool> stopped{false};
    // One slot per thread, each written by its own thread alone, read after all have joined.
    std::vector<NonFiniteSamples> nonFinite(static_cast<size_t>(threads));

    auto work = [&](int index) {
        ThreadContext thread(static_cast<uint8_t>(index));
        thread.inFrame = true;
        if (stop) thread.stop = stop;
        // Sized here, once per thread, so that no sample allocates.
        SampleChannels record;
        PixelSum pixel;
        film.prepare(record, pixel);
        if (channels) thread.channels = &record;
        thread.rays = settings.rayRecorder;
        uint64_t shaded = 0;
        NonFiniteSamples blackened;
        // Looked at per camera sample, so a stop ends the render in the middle of a bucket; a
        // sample that would never end is cut short by the evaluations and samplers looking too.
        auto stopping = [&] {
            if (!thread.stop->load(std::memory_order_relaxed)) return false;
            stopped.store(true, std::memory_order_relaxed);
            return true;
        };
        for (;;) {
            if (stopping()) break;
            const int taken = next.fetch_add(1, std::memory_order_relaxed);
            if (taken >= total) break;
            const Bucket& b = buckets[static_cast<size_t>(taken)];
            bool cut = false;
            for (int y = b.y0; y < b.y1 && !cut; ++y)
                for (int x = b.x0; x < b.x1; ++x) {
                    film.begin(pixel);
                    const int px = x + settings.originX, py = y + settings.originY;
                    for (uint32_t s = 0; s < spp; ++s) {
                        if ((cut = stopping())) break;
                        float u, v;
                        pixelSampleOffset(uint32_t(px), uint32_t(py), s, spp, &u, &v);
                        const SampleOrigin origin{uint32_t(px), uint32_t(py), s};
                        if (channels) record.clear();
                        const RGBA c = traceCameraSample(thread, world, camera, origin, px + u,
                                                         py + v, blackened);
                        if (channels) {
                            film.addSample(pixel, c, record);
                        } else {
                            pixel.beauty.r += c.r;
                            pixel.beauty.g += c.g;
                            pixel.beauty.b += c.b;
                            pixel.beauty.a += c.a;
                        }
                    }
                    if (cut) break;
                    film.store(x, y, pixel, weight);
                    shaded += spp;
                }
            if (cut) break;
            done.fetch_add(1, std::memory_order_relaxed);
        }
        rays.fetch_add(thread.raysTraced, std::memory_order_relaxed);
        samples.fetch_add(shaded, std::memory_order_relaxed);
        nonFinite[static_cast<size_t>(index)] = blackened;
    };
    auto tick = [&] {
        if (progress) progress(done.load(std::memory_order_relaxed), total);
    };
    const int ran = runThreads(threads, work, tick);

    RenderStats stats;
    stats.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    stats.samples = samples.load();
    stats.rays = rays.load();
    stats.threads = ran;
    stats.buckets = total;
    stats.stopped = stopped.load() && done.load() < total;
    for (const NonFiniteSamples& found : nonFinite) stats.nonFinite.merge(found);
    return stats;
}

}  // namespace host
