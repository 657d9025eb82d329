#include "render/image_output.h"

#include <dlfcn.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <vector>

#include "render/image_encoder.h"
#include "universe/host_error.h"
#include "universe/plugin_search.h"

namespace host {

namespace fs = std::filesystem;

std::string imageExtension(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

namespace {

bool isPng(const std::string& path) {
    return imageExtension(path) == ".png";
}

/// The extension is checked before the file is opened, so that a refused name makes no folder.
const std::string& checkedPath(const std::string& path) {
    checkImagePath(path);
    // Loaded now, so that a missing encoder is found before any work is done.
    imageEncoder();
    return path;
}

}  // namespace

void checkImagePath(const std::string& path) {
    const std::string ext = imageExtension(path);
    if (ext != ".exr" && ext != ".png")
        throw HostError("cannot write '" + path +
                        "': the image must be .exr (linear float) or "
                        ".png (sRGB 8-bit)");
}

ImageEncoder imageEncoder() {
    static const ImageEncoder encoder = [] {
        const std::string path = (fs::path(hostLibraryDir()) / ORV_IMAGES_LIBRARY).string();
        // Local: the encoder binds to the host's libraries, nothing binds to it but here.
        void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        void* entry = library ? ::dlsym(library, "orvImageEncoder") : nullptr;
        const ImageEncoder found =
            entry ? reinterpret_cast<decltype(&orvImageEncoder)>(entry)() : nullptr;
        if (!found) {
            const char* reason = ::dlerror();
            throw HostError("cannot load the image encoder '" + path +
                            "': " + (reason ? reason : "no orvImageEncoder in it"));
        }
        return found;
    }();
    return encoder;
}

ImageFile::ImageFile(std::string path) : file_(checkedPath(path)) {}

void ImageFile::write(const ImageBuffer& image, const ImageFacts& facts) {
    const std::vector<unsigned char> bytes = imageEncoder()(path(), image, nullptr, facts);
    file_.commit(bytes.data(), bytes.size());
}

void ImageFile::write(const Film& film, const ImageFacts& facts) {
    const std::vector<unsigned char> bytes =
        imageEncoder()(path(), film.beauty(), film.hasExtra() ? &film.extra() : nullptr, facts);
    file_.commit(bytes.data(), bytes.size());
}

void refuseSceneInputs(const ImageFile& file, const Scene& scene) {
    if (file.replaces(scene.path))
        throw HostError("cannot write '" + file.path() + "': it is the scene file, '" + scene.path +
                        "'");
    // File parameters hold their paths resolved against the scene's folder.
    for (const auto& node : scene.universe->nodes())
        for (const ParamValue& value : node->values)
            if (value.type == kTypeString && value.str && *value.str && file.replaces(value.str))
                throw HostError("cannot write '" + file.path() + "': it is '" + value.str +
                                "', which '" + node->name + "' of the scene reads");
}

void writeImage(const std::string& path, const ImageBuffer& image, const ImageFacts& facts) {
    ImageFile(path).write(image, facts);
}

uint64_t imageWriteBytes(const std::string& path, int width, int height, int extraChannels) {
    const uint64_t pixels = uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0);
    // PNG: the 8-bit copy and the file; EXR: the file, and the channels interleaved for it when
    // there are more than the beauty's. Each at most about its raw size.
    if (isPng(path)) return 2 * 3 * pixels + 65536;
    const uint64_t more = uint64_t(extraChannels > 0 ? extraChannels : 0);
    return (more ? 2 : 1) * (16 + 4 * more) * pixels + 65536;
}

float linearToSrgb(float linear) {
    if (!(linear > 0.0f)) return 0.0f;
    if (linear >= 1.0f) return 1.0f;
    return linear <= 0.0031308f ? 12.92f * linear : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

}  // namespace host
