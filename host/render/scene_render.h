// One render of a scene file, from reading it to a finished image: what orv-render runs, and
// what the image tests run, so that both take the same road.
#pragma once

#include <atomic>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "render/bucket_renderer.h"
#include "render/crop_window.h"
#include "render/world_builder.h"
#include "scene/scene_reader.h"

namespace host {

/// Values that replace the scene's options; unset ones (0, or -1 for threads) leave them.
struct RenderOverrides {
    int width = 0;
    int height = 0;
    int samples = 0;
    int threads = -1;  ///< 0 = all cores
    int bucketSize = 16;
    PixelWindow crop;                 ///< the window of the frame to render; empty: all of it
    std::optional<std::string> aovs;  ///< the film's channels (--aov); unset: the scene's
};

class SceneRender {
  public:
    /// Reads and validates the scene, applies the overrides, builds the world and the camera,
    /// runs the lifecycle (initialize, update) and sets the nodes up (setUpNodes). Throws HostError
    /// (SceneError for the file, a HostError for a crop outside the frame).
    SceneRender(const std::string& scenePath, const RenderOverrides& overrides = {},
                const SceneReadOptions& readOptions = {});
    ~SceneRender();  ///< runs finish on every node

    const Scene& scene() const { return *scene_; }
    const RenderSettings& settings() const { return settings_; }
    int width() const { return width_; }
    int height() const { return height_; }
    /// The pixels rendered: the crop, or the whole width() x height() frame.
    const PixelWindow& window() const { return window_; }

    /// The channels beside the beauty the overrides or the scene's "aovs" option ask for.
    uint32_t aovs() const { return aovs_; }
    /// A film the size of window() with the channels `aovs`, its light groups named by the
    /// scene's lights. Throws HostError when a light's name would repeat a channel's.
    Film makeFilm(uint32_t aovs) const;

    /// Renders onto `film`, made by makeFilm; see renderImage for `stop` and `progress`. May be
    /// called again (the nodes stay set up between renders).
    RenderStats render(Film& film, const std::atomic<bool>* stop = nullptr,
                       const ProgressFn& progress = {}) const;
    /// The beauty alone, into `image`, which is the size of window().
    RenderStats render(ImageBuffer& image, const std::atomic<bool>* stop = nullptr,
                       const ProgressFn& progress = {}) const;

    /// The explain tree of pixel (x, y)'s first camera sample in this render's frame
    /// (pixel_explain.h). Not while a render runs. Throws HostError outside the frame.
    nlohmann::ordered_json explainPixel(int x, int y) const;
    /// What the render traces against (for benchmarks that cast the same rays themselves).
    const RenderWorld& world() const { return *world_; }
    /// Later renders record their rays into `recorder` (null: none), which must outlive them.
    void recordRays(RayRecorder* recorder) { settings_.rayRecorder = recorder; }

  private:
    std::unique_ptr<Scene> scene_;
    std::unique_ptr<RenderWorld> world_;
    Camera camera_{};
    RenderSettings settings_;
    int width_ = 0;
    int height_ = 0;
    PixelWindow window_;
    uint32_t aovs_ = 0;
};

}  // namespace host
