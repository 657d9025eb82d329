// Writing the image: OpenEXR as linear floats, PNG as sRGB 8-bit, chosen by the extension.
#pragma once

#include <string>

#include "render/image_buffer.h"
#include "render/image_facts.h"

namespace host {

/// Throws HostError unless `path` ends in .exr or .png (any case), so a render is not started
/// for an image it cannot write.
void checkImagePath(const std::string& path);

/// Writes `image` to a temporary file beside `path` and renames it into place, so that `path`
/// is either the old file or the complete new one, never a partial image. Creates missing
/// folders. `facts` place the image in its frame and describe the render (image_facts.h).
/// Throws HostError naming the path and OpenImageIO's reason on failure.
void writeImage(const std::string& path, const ImageBuffer& image, const ImageFacts& facts = {});

/// Linear to sRGB-encoded, for one channel in [0, 1]; values outside are clamped.
float linearToSrgb(float linear);

}  // namespace host
