// Encoding an image file in memory. The encoder, over OpenImageIO, is a library of its own
// beside the host's, loaded the first time an image is written: OpenImageIO brings some two
// hundred and fifty libraries, which programs that write no image should not wait for.
#pragma once

#include <string>
#include <vector>

#include "render/film.h"
#include "render/image_buffer.h"
#include "render/image_facts.h"

namespace host {

/// The whole file `path` names (.png: sRGB 8-bit without alpha; .exr: linear floats with
/// alpha, then each of `extra`'s channels by its name), with `facts` in its header. A PNG
/// holds the beauty alone. Throws HostError naming the path.
using ImageEncoder = std::vector<unsigned char> (*)(const std::string& path,
                                                    const ImageBuffer& image,
                                                    const ExtraChannels* extra,
                                                    const ImageFacts& facts);

/// The encoder, its library loaded on the first call. Thread-safe. Throws HostError naming the
/// library and the reason when it does not load; a later call tries again.
ImageEncoder imageEncoder();

}  // namespace host

/// The encoder's library is entered by this name, with C linkage so that it can be found; it
/// hands out the encoder, whose signature holds C++ types.
extern "C" host::ImageEncoder orvImageEncoder();
