// Writing the image: OpenEXR as linear floats, PNG as sRGB 8-bit, chosen by the extension.
#pragma once

#include <cstdint>
#include <string>

#include "render/image_buffer.h"
#include "render/image_facts.h"

namespace host {

/// `path`'s extension in lower case, with its dot (".exr"): what chooses the image format.
std::string imageExtension(const std::string& path);

/// Throws HostError unless `path` ends in .exr or .png (any case), so a render is not started
/// for an image it cannot write.
void checkImagePath(const std::string& path);

/// An image file about to be replaced. Made before rendering: it creates missing folders and
/// opens the temporary file the image will go through, so that an output that cannot be written
/// is found before any work is done. The image is encoded in memory and written into an unnamed
/// file (O_TMPFILE) in the output's folder, which is then linked into place: killed at any
/// moment, even by SIGKILL, the path holds the old file or the whole new one, and nothing else
/// is left (but for the instant between linking a replacement and renaming it over the old
/// file). Where the file system makes no unnamed files, a named temporary beside the output is
/// written and renamed instead. Every failure is a HostError naming the path and the reason.
class ImageFile {
  public:
    explicit ImageFile(std::string path);
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    const std::string& path() const { return path_; }
    /// Encodes `image` and puts it at the path. `facts` place the image in its frame and
    /// describe the render (image_facts.h). A later call writes through a named temporary.
    void write(const ImageBuffer& image, const ImageFacts& facts = {});

  private:
    std::string path_;
    int unnamed_ = -1;  ///< the O_TMPFILE descriptor; -1 on file systems without them
};

/// Writes `image` to `path` through an ImageFile.
void writeImage(const std::string& path, const ImageBuffer& image, const ImageFacts& facts = {});

/// Bytes that writing a `width` x `height` image to `path` takes beside the image buffer
/// (the 8-bit copy of a PNG and the encoded file in memory), at most.
uint64_t imageWriteBytes(const std::string& path, int width, int height);

/// Linear to sRGB-encoded, for one channel in [0, 1]; values outside are clamped.
float linearToSrgb(float linear);

}  // namespace host
