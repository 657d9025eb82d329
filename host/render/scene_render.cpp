#include "render/scene_render.h"

#include "builtin/host_node_types.h"
#include "render/image_facts.h"
#include "render/node_setup.h"
#include "render/pixel_explain.h"
#include "render/scene_camera.h"
#include "universe/diagnostics.h"

namespace host {

namespace {

/// What a render found that leaves the picture other than asked, into the diagnostics sink.
void reportRender(const RenderStats& stats, int threadsAsked) {
    if (stats.threads < threadsAsked)
        diagnostics().report(Severity::Warning, "render threads not started", Where{},
                             "the system started " + std::to_string(stats.threads) + " of the " +
                                 std::to_string(threadsAsked) +
                                 " render threads asked for; the render ran on those");
    if (stats.nonFinite.count > 0) {
        Where where;
        where.pixelX = stats.nonFinite.first.pixelX;
        where.pixelY = stats.nonFinite.first.pixelY;
        where.sample = stats.nonFinite.first.sampleIndex;
        diagnostics().report(Severity::Warning, "non-finite samples", where,
                             std::to_string(stats.nonFinite.count) + " camera sample" +
                                 (stats.nonFinite.count == 1 ? "" : "s") +
                                 " gave a NaN or infinite colour, rendered black; the first at " +
                                 sampleText(stats.nonFinite.first));
    }
}

}  // namespace

namespace {

/// The reader's options, with the host's own node types in every universe it makes, before
/// any the options add.
SceneReadOptions withHostTypes(SceneReadOptions options) {
    options.registerTypes = [more = options.registerTypes](NodeTypeRegistry& types) {
        registerHostNodeTypes(types);
        if (more) more(types);
    };
    return options;
}

void setInt(Universe& universe, const char* param, int value) {
    universe.setParam(universe.options(), param, ParamValue::makeInt(value));
}

int optionInt(const Universe& universe, int param) {
    return universe.options()->values[param].integer;
}

std::string optionString(const Universe& universe, int param) {
    const char* text = universe.options()->values[param].str;
    return text ? text : "";
}

}  // namespace

SceneRender::SceneRender(const std::string& scenePath, const RenderOverrides& overrides,
                         const SceneReadOptions& readOptions)
    : scene_(readSceneFile(scenePath, withHostTypes(readOptions))) {
    Universe& universe = *scene_->universe;
    if (overrides.threads >= 0) setInt(universe, "threads", overrides.threads);
    if (overrides.samples >= 1) setInt(universe, "samples", overrides.samples);
    if (overrides.width >= 1 && overrides.height >= 1) {
        setInt(universe, "xres", overrides.width);
        setInt(universe, "yres", overrides.height);
    }
    width_ = optionInt(universe, kOptionXres);
    height_ = optionInt(universe, kOptionYres);
    window_ = overrides.crop.empty() ? PixelWindow{0, 0, width_, height_} : overrides.crop;
    checkWindowInFrame(window_, width_, height_,
                       "--crop " + std::to_string(window_.x0) + "," + std::to_string(window_.y0) +
                           "," + std::to_string(window_.x1) + "," + std::to_string(window_.y1));
    settings_.originX = window_.x0;
    settings_.originY = window_.y0;
    settings_.samples = optionInt(universe, kOptionSamples);
    settings_.threads = universe.renderThreads();
    settings_.bucketSize = overrides.bucketSize;
    aovs_ = overrides.aovs ? parseAovs(*overrides.aovs, "--aov")
                           : parseAovs(optionString(universe, kOptionAovs),
                                       scene_->path + ": options: parameter 'aovs'");
    world_ = buildWorld(*scene_);
    camera_ = sceneCamera(*scene_, width_, height_);
    universe.prepare();
    setUpNodes(*scene_, world_->world);
}

SceneRender::~SceneRender() {
    scene_->universe->finish();
}

Film SceneRender::makeFilm(uint32_t aovs) const {
    std::vector<const Node*> lights, objects;
    for (const SceneLight& light : scene_->lights) lights.push_back(light.node);
    for (const Node* object : scene_->objects) objects.push_back(object);
    return Film(window_.width(), window_.height(), aovs, lights, objects);
}

RenderStats SceneRender::render(Film& film, const std::atomic<bool>* stop,
                                const ProgressFn& progress) const {
    const RenderStats stats = renderImage(world_->world, camera_, settings_, film, stop, progress);
    reportRender(stats, settings_.threads);
    return stats;
}

RenderStats SceneRender::render(ImageBuffer& image, const std::atomic<bool>* stop,
                                const ProgressFn& progress) const {
    Film film(image.width(), image.height());
    const RenderStats stats = render(film, stop, progress);
    image = std::move(film.beauty());
    return stats;
}

nlohmann::ordered_json SceneRender::explainPixel(int x, int y) const {
    return host::explainPixel(*scene_, world_->world, camera_, x, y, width_, height_);
}

}  // namespace host
