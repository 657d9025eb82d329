#include "render/image_compare.h"

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>
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
    OIIO::ImageBuf buf(path);
    if (!buf.read(0, 0, true, OIIO::TypeDesc::FLOAT))
        throw HostError("cannot read '" + path + "': " + buf.geterror());
    const OIIO::ImageSpec& imageSpec = buf.nativespec();
    ImageBuffer image(imageSpec.width, imageSpec.height);
    for (int y = 0; y < imageSpec.height; ++y)
        for (int x = 0; x < imageSpec.width; ++x) {
            float c[4] = {0, 0, 0, 1};
            for (int ch = 0; ch < std::min(4, imageSpec.nchannels); ++ch)
                c[ch] = buf.getchannel(imageSpec.x + x, imageSpec.y + y, 0, ch);
            image.at(x, y) = RGBA{c[0], c[1], c[2], c[3]};
        }
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
    ImageBuffer diff(a.width(), a.height());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool inside = x < b.width() && y < b.height();
            const RGBA p = a.at(x, y), q = inside ? b.at(x, y) : RGBA{0, 0, 0, 0};
            // Written as sRGB: undo the encoding so the PNG shows the scaled difference.
            auto channel = [&](float u, float v) {
                return std::pow(std::fmin(1.0f, std::fabs(u - v) * gain), 2.2f);
            };
            diff.at(x, y) = RGBA{channel(p.r, q.r), channel(p.g, q.g), channel(p.b, q.b), 1};
        }
    writeImage(path, diff);
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
