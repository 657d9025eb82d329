// Rendering an image in square buckets on all render threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "render/camera.h"
#include "render/camera_sample.h"
#include "render/film.h"
#include "render/image_buffer.h"
#include "tracing/world.h"

namespace host {

class RayRecorder;  // tracing/ray_recorder.h

struct RenderSettings {
    int samples = 1;      ///< camera samples per pixel, 1 or more
    int threads = 1;      ///< render threads, 1 .. 255; thread indices are 0 .. threads-1
    int bucketSize = 16;  ///< bucket side in pixels
    /// Where the image's top-left pixel sits in the camera's frame: a crop renders a window of
    /// the frame into an image of the window's size, each pixel as in the whole frame.
    int originX = 0, originY = 0;
    /// Set only by benchmarks: every render thread records its rays here.
    RayRecorder* rayRecorder = nullptr;
};

struct RenderStats {
    double seconds = 0;
    uint64_t samples = 0;  ///< camera samples shaded
    uint64_t rays = 0;     ///< every ray traced, camera rays included, as the threads counted
    int threads = 0;  ///< render threads that ran: fewer than asked where the system refused more
    int buckets = 0;
    bool stopped = false;        ///< `stop` was raised before the last bucket was done
    NonFiniteSamples nonFinite;  ///< samples rendered black for a NaN or infinite colour
};

/// Called on the calling thread about ten times a second with buckets done and in all.
using ProgressFn = std::function<void(int done, int total)>;

/// Renders `world` through `camera` onto `film` (every pixel the box-filtered mean of its
/// samples, channel by channel). Buckets are taken from the image centre outwards by whichever
/// thread is free; each thread owns one ThreadContext for the whole render, so its index is
/// stable. The result does not depend on the thread count. When `stop` becomes true the threads
/// leave the sample they are on (what is left of it answers black) and the render returns with
/// stats.stopped set and the film incomplete.
RenderStats renderImage(const World& world, const Camera& camera, const RenderSettings& settings,
                        Film& film, const std::atomic<bool>* stop = nullptr,
                        const ProgressFn& progress = {});

/// The beauty alone, into `image`.
RenderStats renderImage(const World& world, const Camera& camera, const RenderSettings& settings,
                        ImageBuffer& image, const std::atomic<bool>* stop = nullptr,
                        const ProgressFn& progress = {});

}  // namespace host
