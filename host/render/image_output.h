// Writing the image: OpenEXR as linear floats, PNG as sRGB 8-bit, chosen by the extension.
#pragma once

#include <cstdint>
#include <string>

#include "render/film.h"
#include "render/image_buffer.h"
#include "render/image_facts.h"
#include "scene/scene.h"
#include "universe/file_replacement.h"

namespace host {

/// `path`'s extension in lower case, with its dot (".exr"): what chooses the image format.
std::string imageExtension(const std::string& path);

/// Throws HostError unless `path` ends in .exr or .png (any case), so a render is not started
/// for an image it cannot write.
void checkImagePath(const std::string& path);

/// An image file about to be replaced, made before rendering so that an output that cannot be
/// written is found before any work is done: the extension, the encoder, and the whole write
/// path as FileReplacement checks it. The image is encoded in memory and put in place whole.
class ImageFile {
  public:
    explicit ImageFile(std::string path);

    const std::string& path() const { return file_.path(); }
    /// True when writing would replace the file `other` (an input of the render).
    bool replaces(const std::string& other) const { return file_.replaces(other); }
    /// Encodes `image` and puts it at the path. `facts` place the image in its frame and
    /// describe the render (image_facts.h).
    void write(const ImageBuffer& image, const ImageFacts& facts = {});
    /// Encodes `film`: its beauty, and in an .exr every other channel too.
    void write(const Film& film, const ImageFacts& facts = {});

  private:
    FileReplacement file_;
};

/// Throws HostError, naming what it reads, when writing `file` would destroy an input of the
/// render: the scene file itself, or a file one of its nodes reads (a mesh).
void refuseSceneInputs(const ImageFile& file, const Scene& scene);

/// Writes `image` to `path` through an ImageFile.
void writeImage(const std::string& path, const ImageBuffer& image, const ImageFacts& facts = {});

/// Bytes that writing a `width` x `height` image with `extraChannels` beside the beauty to
/// `path` takes beside the film (the 8-bit copy of a PNG; the channels interleaved, and the
/// encoded file in memory), at most.
uint64_t imageWriteBytes(const std::string& path, int width, int height, int extraChannels = 0);

/// Linear to sRGB-encoded, for one channel in [0, 1]; values outside are clamped.
float linearToSrgb(float linear);

}  // namespace host
