#include "render/pixel_explain.h"

#include <new>

#include "render/camera_sample.h"
#include "render/explain_report.h"
#include "render/pixel_samples.h"
#include "render/point_shading.h"
#include "shading/explain_recorder.h"
#include "universe/host_error.h"

namespace host {

nlohmann::ordered_json explainPixel(const Scene& scene, const World& world, const Camera& camera,
                                    int x, int y, int width, int height, int thread) {
    if (x < 0 || y < 0 || x >= width || y >= height)
        throw HostError("pixel " + std::to_string(x) + "," + std::to_string(y) + ": outside the " +
                        std::to_string(width) + "x" + std::to_string(height) + " frame (0,0 to " +
                        std::to_string(width - 1) + "," + std::to_string(height - 1) + ")");
    // Where the render puts sample 0 depends on how many the pixel takes.
    const int samples = scene.universe->options()->values[kOptionSamples].integer;
    float u, v;
    pixelSampleOffset(uint32_t(x), uint32_t(y), 0, uint32_t(samples < 1 ? 1 : samples), &u, &v);

    ThreadContext context(static_cast<uint8_t>(thread));
    context.inFrame = true;  // warnings name the pixel, as the render's do
    ExplainRecorder recorder;
    context.explain = &recorder;
    NonFiniteSamples nonFinite;
    const RGBA color =
        traceCameraSample(context, world, camera, SampleOrigin{uint32_t(x), uint32_t(y), 0},
                          float(x) + u, float(y) + v, nonFinite);
    // The recorder stops rather than throw through the renderer calls; its tree is partial.
    if (recorder.exhausted()) throw std::bad_alloc();

    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    out["pixel"] = {x, y};
    out["sample"] = 0;
    ShaderValue at{};
    at.vec = Vector{float(x) + u, float(y) + v, 0};
    const nlohmann::json position = outputJson(at, kTypeVector);
    out["position"] = {position[0], position[1]};
    // The camera ray is the first event; what it hit is the object the pixel shows.
    const auto& events = recorder.events();
    const Node* hit = events.empty() ? nullptr : events.front().hitObject;
    out["object"] = hit ? nlohmann::ordered_json(hit->name) : nlohmann::ordered_json(nullptr);
    ShaderValue shown{};
    shown.rgba = color;
    out["color"] = outputJson(shown, kTypeRGBA);
    if (nonFinite.count > 0) out["nonFinite"] = true;
    out["explain"] = explainJson(recorder, false);
    return out;
}

}  // namespace host
