// What a rendered image says about itself beyond its pixels: where it sits in its frame (a
// crop's data window) and the facts of the render, stored as metadata in the file.
#pragma once

#include <cstdint>
#include <string>

namespace host {

class SceneRender;
struct Scene;
struct RenderStats;
struct SampleOrigin;

struct ImageFacts {
    int frameWidth = 0, frameHeight = 0;  ///< the full frame; 0: the image is the whole frame
    int originX = 0, originY = 0;         ///< where the image's top-left pixel sits in the frame
    std::string scene;                    ///< the scene file; empty: no render facts are written
    int samples = 0;                      ///< camera samples per pixel
    int threads = 0;                      ///< render threads
    double seconds = 0;                   ///< render time
    std::string
        plugins;  ///< each loaded module's file name and the renderer version it was built for
    uint64_t nonFiniteSamples = 0;  ///< camera samples rendered black for a NaN or inf colour
    std::string firstNonFinite;     ///< the first of them, as sampleText gives it; empty: none
    uint64_t warnings = 0;          ///< warnings the diagnostics sink was given, by kind
    uint64_t errors = 0;            ///< errors it was given, by kind
};

/// Where a sample is, in frame pixels: "pixel X,Y sample S".
std::string sampleText(const SampleOrigin& origin);

/// The facts of `job`'s render of `scenePath`, the frame and the crop it rendered.
ImageFacts renderFacts(const SceneRender& job, const RenderStats& stats,
                       const std::string& scenePath);

/// The facts of a render of `scene`, read from `scenePath`, at `samples` per pixel, whatever
/// the frame: the samples, threads, time and non-finite samples of `stats`, the diagnostics'
/// counts now and the plug-ins loaded. The batch render's and the live one's alike.
ImageFacts renderFacts(const Scene& scene, const RenderStats& stats, const std::string& scenePath,
                       int samples);

}  // namespace host
