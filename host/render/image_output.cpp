#include "render/image_output.h"

#include <unistd.h>

#include <OpenImageIO/imageio.h>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "render/image_metadata.h"
#include "universe/host_error.h"

namespace host {

namespace {

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

}  // namespace

void checkImagePath(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext != ".exr" && ext != ".png")
        throw HostError("cannot write '" + path +
                        "': the image must be .exr (linear float) or "
                        ".png (sRGB 8-bit)");
}

float linearToSrgb(float linear) {
    if (!(linear > 0.0f)) return 0.0f;
    if (linear >= 1.0f) return 1.0f;
    return linear <= 0.0031308f ? 12.92f * linear : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

void writeImage(const std::string& path, const ImageBuffer& image, const ImageFacts& facts) {
    checkImagePath(path);
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ignored;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ignored);
    // Same folder, so the rename stays on one file system; same extension for the format.
    const fs::path temporary =
        target.parent_path() / ("." + target.stem().string() + ".part" + std::to_string(getpid()) +
                                target.extension().string());

    auto output = OIIO::ImageOutput::create(path);
    if (!output) throw HostError("cannot write '" + path + "': " + OIIO::geterror());
    const bool png = lowerExtension(path) == ".png";
    // PNG is for looking at: the background shows, so no alpha. EXR keeps coverage in alpha.
    OIIO::ImageSpec imageSpec(image.width(), image.height(), png ? 3 : 4,
                              png ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::FLOAT);
    imageSpec.attribute("oiio:ColorSpace", png ? "sRGB" : "Linear");
    describeImage(imageSpec, facts);

    bool ok = output->open(temporary.string(), imageSpec);
    if (ok) {
        if (png) {
            const size_t pixels = size_t(image.width()) * image.height();
            std::vector<unsigned char> bytes(pixels * 3);
            const float* src = image.data();
            for (size_t i = 0; i < pixels; ++i)
                for (size_t c = 0; c < 3; ++c)
                    bytes[i * 3 + c] = static_cast<unsigned char>(
                        std::lround(linearToSrgb(src[i * 4 + c]) * 255.0f));
            ok = output->write_image(OIIO::TypeDesc::UINT8, bytes.data());
        } else {
            ok = output->write_image(OIIO::TypeDesc::FLOAT, image.data());
        }
        ok = output->close() && ok;
    }
    if (!ok) {
        const std::string reason = output->geterror();
        fs::remove(temporary, ignored);
        throw HostError("cannot write '" + path + "': " + reason);
    }
    std::error_code renamed;
    fs::rename(temporary, target, renamed);
    if (renamed) {
        fs::remove(temporary, ignored);
        throw HostError("cannot write '" + path + "': " + renamed.message());
    }
}

}  // namespace host
