// Direct lighting: the lights of every kind, their light filters, shadow rays and the Lambert term.
#include "tracing/lighting.h"

#include <cmath>

#include "geometry/affine_transform.h"
#include "shading/explain_recorder.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "tracing/light_models.h"
#include "tracing/tracer.h"
#include "tracing/world.h"

namespace host {

namespace {

constexpr double kPi = 3.14159265358979323846;

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

    for (const Light& light : world.lights) {
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
        for (Node* filter : light.filters)
            if (filter) evaluateNode(filter, sg);
        const RGB filtered = sg->lightIntensity;
        if (isBlack(filtered)) continue;
        if (shadowed(*sg, sample)) continue;

        const float weight = static_cast<float>(cosine / kPi);
        total.r += albedo.r * weight * filtered.r;
        total.g += albedo.g * weight * filtered.g;
        total.b += albedo.b * weight * filtered.b;
    }

    sg->out = keptOut;
    sg->lightIntensity = keptLight;
    return total;
}

}  // namespace host
