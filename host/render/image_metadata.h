// ImageFacts onto the header of an image written with OpenImageIO.
#pragma once

#include <OpenImageIO/imageio.h>

#include "render/image_facts.h"

namespace host {

/// Sets the header's data window inside its display window and, when `facts` names a scene, the
/// render's facts as "orv:" attributes (scene, resolution, samples, threads, renderTime,
/// plugins, nonFiniteSamples and, when there were any, firstNonFiniteSample; warnings and, when
/// there were any, errors) and "Software" with the version of orv-render.
void describeImage(OIIO::ImageSpec& header, const ImageFacts& facts);

}  // namespace host
