// The image encoder over OpenImageIO, the one part of the host that links it: a library of its
// own, loaded when the first image is written (image_encoder.h).
#include "render/image_encoder.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>
#include <algorithm>
#include <cmath>

#include "render/image_metadata.h"
#include "render/image_output.h"
#include "universe/host_error.h"

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw host::HostError("cannot write '" + path + "': " + reason);
}

std::vector<unsigned char> encodeImage(const std::string& path, const host::ImageBuffer& image,
                                       const host::ExtraChannels* extra,
                                       const host::ImageFacts& facts) {
    const bool png = host::imageExtension(path) == ".png";
    const size_t pixels = size_t(image.width()) * image.height();
    const size_t more = png || !extra ? 0 : extra->names.size();
    std::vector<unsigned char> encoded;
    // Room for the file uncompressed, so the buffer does not grow by copying.
    encoded.reserve(pixels * (png ? 3 : 16 + 4 * more) + 65536);
    OIIO::Filesystem::IOVecOutput proxy(encoded);
    auto output = OIIO::ImageOutput::create(path, &proxy);
    if (!output) fail(path, OIIO::geterror());
    if (!output->supports("ioproxy")) fail(path, "OpenImageIO cannot encode it in memory");
    // PNG is for looking at: the background shows, so no alpha. EXR keeps coverage in alpha.
    OIIO::ImageSpec imageSpec(image.width(), image.height(), png ? 3 : 4 + int(more),
                              png ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::FLOAT);
    for (size_t c = 0; c < more; ++c) imageSpec.channelnames[4 + c] = extra->names[c];
    imageSpec.attribute("oiio:ColorSpace", png ? "sRGB" : "Linear");
    host::describeImage(imageSpec, facts);

    bool ok = output->open(path, imageSpec);
    if (ok) {
        if (png) {
            std::vector<unsigned char> bytes(pixels * 3);
            const float* src = image.data();
            for (size_t i = 0; i < pixels; ++i)
                for (size_t c = 0; c < 3; ++c)
                    bytes[i * 3 + c] = static_cast<unsigned char>(
                        std::lround(host::linearToSrgb(src[i * 4 + c]) * 255.0f));
            ok = output->write_image(OIIO::TypeDesc::UINT8, bytes.data());
        } else if (more == 0) {
            ok = output->write_image(OIIO::TypeDesc::FLOAT, image.data());
        } else {
            // One pixel after another, every channel of each.
            const size_t stride = 4 + more;
            std::vector<float> all(pixels * stride);
            const float* beauty = image.data();
            const float* other = extra->values.data();
            for (size_t i = 0; i < pixels; ++i) {
                std::copy(beauty + i * 4, beauty + i * 4 + 4, &all[i * stride]);
                std::copy(other + i * more, other + (i + 1) * more, &all[i * stride + 4]);
            }
            ok = output->write_image(OIIO::TypeDesc::FLOAT, all.data());
        }
        ok = output->close() && ok;
    }
    if (!ok) fail(path, output->geterror());
    return encoded;
}

}  // namespace

host::ImageEncoder orvImageEncoder() {
    return &encodeImage;
}
