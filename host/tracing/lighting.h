// Direct lighting from the world's lights, with their light filters.
#pragma once

#include "plugin/renderer.h"

namespace host {

/// Lambert-reflected light at sg's shading point and shading normal, summed over the lights of
/// the sample's world. For each light sample: puts the shading point and the unfiltered
/// intensity into sg, evaluates the light's filters in order on sg, casts the shadow ray, and
/// adds albedo / pi x cos x filtered intensity. sg->out and sg->lightIntensity are restored.
/// A sample without a world (shaded outside a render) receives no light.
RGB directLighting(ShaderGlobals* sg, const RGB& albedo);

}  // namespace host
