#include "render/image_compare.h"

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>
#include <algorithm>
#include <cmath>

#include "render/image_output.h"
#include "universe/host_error.h"

namespace host {

namespace {

OIIO::ImageBuf toImageBuf(const ImageBuffer& image) {
    OIIO::ImageSpec imageSpec(image.width(), image.height(), 4, OIIO::TypeDesc::FLOAT);
    OIIO::ImageBuf buf(imageSpec);
    buf.set_pixels(OIIO::ROI::All(), OIIO::TypeDesc::FLOAT, image.data());
    return buf;
}

}  // namespace

ImageBuffer readImage(const std::string& path) {
    OIIO::ImageBuf stored(path);
    if (!stored.read(0, 0, true, OIIO::TypeDesc::FLOAT))
        throw HostError("cannot read '" + path + "': " + stored.geterror());
    // The first four channels as RGBA, what is missing filled: colour 0, alpha 1.
    const float fill[4] = {0, 0, 0, 1};
    int channelOrder[4];
    for (int ch = 0; ch < 4; ++ch) channelOrder[ch] = ch < stored.nchannels() ? ch : -1;
    const OIIO::ImageBuf rgba = OIIO::ImageBufAlgo::channels(stored, 4, channelOrder, fill);
    ImageBuffer image(rgba.roi().width(), rgba.roi().height());
    if (rgba.has_error() || !rgba.get_pixels(rgba.roi(), OIIO::TypeDesc::FLOAT, image.data()))
        throw HostError("cannot read '" + path + "': " + rgba.geterror());
    return image;
}

ImageChannels readChannels(const std::string& path) {
    OIIO::ImageBuf stored(path);
    if (!stored.read(0, 0, true, OIIO::TypeDesc::FLOAT))
        throw HostError("cannot read '" + path + "': " + stored.geterror());
    ImageChannels image;
    image.width = stored.roi().width();
    image.height = stored.roi().height();
    image.names = stored.spec().channelnames;
    image.values.resize(size_t(image.width) * size_t(image.height) * image.names.size());
    if (!stored.get_pixels(stored.roi(), OIIO::TypeDesc::FLOAT, image.values.data()))
        throw HostError("cannot read '" + path + "': " + stored.geterror());
    return image;
}

ImageDifference compareImages(const ImageBuffer& a, const ImageBuffer& b, float threshold) {
    ImageDifference difference;
    if (a.width() != b.width() || a.height() != b.height()) {
        difference.sizesDiffer = true;
        return difference;
    }
    const OIIO::ImageBuf bufA = toImageBuf(a), bufB = toImageBuf(b);
    OIIO::ROI rgb = bufA.roi();
    rgb.chend = 3;
    const auto result = OIIO::ImageBufAlgo::compare(bufA, bufB, threshold, threshold, rgb);
    difference.meanError = result.meanerror;
    difference.maxError = result.maxerror;
    difference.failingPixels = static_cast<long>(result.nfail);
    return difference;
}

void writeDifferenceImage(const std::string& path, const ImageBuffer& a, const ImageBuffer& b,
                          float gain) {
    // Over a's frame, b zero beyond its own; written as sRGB, so the encoding is undone first
    // (a power of 2.2) for the PNG to show the scaled difference itself.
    const OIIO::ImageBuf bufA = toImageBuf(a);
    OIIO::ImageBuf diff = OIIO::ImageBufAlgo::absdiff(bufA, toImageBuf(b), bufA.roi());
    diff = OIIO::ImageBufAlgo::mul(diff, gain);
    diff = OIIO::ImageBufAlgo::min(diff, 1.0f);
    diff = OIIO::ImageBufAlgo::pow(diff, 2.2f);
    const float opaque[4] = {0, 0, 0, 1};
    const int rgbOnly[4] = {0, 1, 2, -1};
    diff = OIIO::ImageBufAlgo::channels(diff, 4, rgbOnly, opaque);
    ImageBuffer out(a.width(), a.height());
    diff.get_pixels(OIIO::ROI(0, a.width(), 0, a.height(), 0, 1, 0, 4), OIIO::TypeDesc::FLOAT,
                    out.data());
    writeImage(path, out);
}

ImageBuffer quantizeLikePng(const ImageBuffer& image) {
    ImageBuffer out(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const RGBA p = image.at(x, y);
            auto q = [](float v) { return std::lround(linearToSrgb(v) * 255.0f) / 255.0f; };
            out.at(x, y) = RGBA{q(p.r), q(p.g), q(p.b), 1};
        }
    return out;
}

}  // namespace host
