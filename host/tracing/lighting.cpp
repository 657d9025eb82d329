// Direct lighting: the lights of every kind, their light filters, shadow rays and the Lambert term.
#include "tracing/lighting.h"

#include <cmath>

#include "geometry/affine_transform.h"
#include "shading/explain_recorder.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "tracing/light_models.h"
#include "tracing/sample_channels.h"
#include "tracing/tracer.h"
#include "tracing/world.h"

namespace host {

namespace {

constexpr double kPi = 3.14159265358979323846;

void add(RGB& sum, const RGB& c) {
    sum.r += c.r;
    sum.g += c.g;
    sum.b += c.b;
}

bool isBlack(const RGB& c) {
    return c.r == 0.0f && c.g == 0.0f && c.b == 0.0f;
}

/// Closes a light's record in --explain whichever way its sample ends.
struct ExplainedLight {
    ExplainRecorder* explain;
    ~ExplainedLight() {
        if (explain) explain->closeLight();
    }
};

}  // namespace

RGB directLighting(ShaderGlobals* sg, const RGB& albedo) {
    RGB total{0, 0, 0};
    if (!sg || !sg->host || !sg->host->world) return total;
    const World& world = *sg->host->world;
    const ShaderValue keptOut = sg->out;
    const RGB keptLight = sg->lightIntensity;
    const Vec3d point = toVec3d(sg->point);
    const Vec3d normal = normalized(toVec3d(sg->normal));
    ExplainRecorder* explain = explainRecorder(sg);
    // Split by light for the film at the surface the camera sees only: deeper, the shader
    // that traced the ray decides how much of its light reaches the camera.
    SampleChannels* channels = sg->host->rayDepth == 0 ? sg->host->thread->channels : nullptr;
    if (channels && !channels->lighted) {
        channels->lighted = true;
        channels->albedo = albedo;
    }

    for (const Light& light : world.lights) {
        const size_t index = static_cast<size_t>(&light - world.lights.data());
        // A light behind the surface, or that gives nothing here, gives nothing: its filters
        // are not run and no shadow ray is cast for it.
        LightSample sample;
        if (!light.model->sample(light, point, &sample)) continue;
        const double cosine = dot(normal, sample.towardLight);
        if (!(cosine > 0.0)) continue;
        const double scale = sample.scale;
        if (scale == 0.0) continue;

        sg->lightIntensity = RGB{static_cast<float>(light.color.r * scale),
                                 static_cast<float>(light.color.g * scale),
                                 static_cast<float>(light.color.b * scale)};
        if (explain)
            explain->openLight(light.node, int(&light - world.lights.data()), sg->lightIntensity);
        const ExplainedLight explainedLight{explain};
        const RGB unfiltered = sg->lightIntensity;
        for (Node* filter : light.filters)
            if (filter) evaluateNode(filter, sg);
        const RGB filtered = sg->lightIntensity;
        const bool black = isBlack(filtered);
        // The unfiltered channel wants the shadow ray of a light its filters put out.
        if (black && !(channels && channels->unfiltered)) continue;
        if (shadowed(*sg, sample)) continue;

        const float weight = static_cast<float>(cosine / kPi);
        if (!black) {
            const RGB lit{albedo.r * weight * filtered.r, albedo.g * weight * filtered.g,
                          albedo.b * weight * filtered.b};
            total.r += lit.r;
            total.g += lit.g;
            total.b += lit.b;
            if (channels) add(channels->lit[index], lit);
        }
        if (channels && channels->unfiltered)
            add(channels->litUnfiltered[index],
                RGB{albedo.r * weight * unfiltered.r, albedo.g * weight * unfiltered.g,
                    albedo.b * weight * unfiltered.b});
    }

    sg->out = keptOut;
    sg->lightIntensity = keptLight;
    return total;
}

}  // namespace host
