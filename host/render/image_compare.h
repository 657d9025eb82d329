// Reading images back and comparing them, for image regression tests and tools.
#pragma once

#include <string>
#include <vector>

#include "render/image_buffer.h"

namespace host {

/// Reads an image as linear-encoded floats exactly as stored: a PNG gives its sRGB-encoded
/// values over 255, not decoded. Missing channels read as 0, alpha as 1. Throws HostError.
ImageBuffer readImage(const std::string& path);

/// Every channel of an image, by name, pixel by pixel; the frame's data window alone.
struct ImageChannels {
    int width = 0, height = 0;
    std::vector<std::string> names;
    std::vector<float> values;  ///< names.size() floats a pixel
};

/// Reads every channel of `path` as floats. Throws HostError.
ImageChannels readChannels(const std::string& path);

struct ImageDifference {
    double meanError = 0;    ///< mean absolute difference over all channels
    double maxError = 0;     ///< largest absolute difference of any channel
    long failingPixels = 0;  ///< pixels with a channel differing by more than the threshold
    bool sizesDiffer = false;
};

/// Compares the first three channels of `a` and `b` (OpenImageIO's ImageBufAlgo::compare).
ImageDifference compareImages(const ImageBuffer& a, const ImageBuffer& b, float threshold);

/// Writes |a - b| x `gain` as a PNG, for looking at where two images differ.
void writeDifferenceImage(const std::string& path, const ImageBuffer& a, const ImageBuffer& b,
                          float gain = 4.0f);

/// `image` as 8-bit sRGB and back (what writing and reading a PNG gives), for comparing a
/// render with a PNG reference.
ImageBuffer quantizeLikePng(const ImageBuffer& image);

}  // namespace host
