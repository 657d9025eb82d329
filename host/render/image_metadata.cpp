#include "render/image_metadata.h"

#include <algorithm>
#include <limits>

namespace host {

void describeImage(OIIO::ImageSpec& header, const ImageFacts& facts) {
    if (facts.frameWidth > 0 && facts.frameHeight > 0) {
        header.x = facts.originX;
        header.y = facts.originY;
        header.full_x = header.full_y = 0;
        header.full_width = facts.frameWidth;
        header.full_height = facts.frameHeight;
    }
    header.attribute("Software", "orv_shaders " ORV_VERSION);
    if (facts.scene.empty()) return;
    header.attribute("orv:scene", facts.scene);
    header.attribute("orv:resolution",
                     std::to_string(header.full_width) + "x" + std::to_string(header.full_height));
    header.attribute("orv:samples", facts.samples);
    header.attribute("orv:threads", facts.threads);
    header.attribute("orv:renderTime", static_cast<float>(facts.seconds));
    header.attribute("orv:plugins", facts.plugins);
    // An image's attributes hold 32-bit integers: a larger count is stored as the largest.
    constexpr uint64_t kLargest = std::numeric_limits<int>::max();
    header.attribute("orv:nonFiniteSamples",
                     static_cast<int>(std::min(facts.nonFiniteSamples, kLargest)));
    if (!facts.firstNonFinite.empty())
        header.attribute("orv:firstNonFiniteSample", facts.firstNonFinite);
    header.attribute("orv:warnings", static_cast<int>(std::min(facts.warnings, kLargest)));
    if (facts.errors > 0)
        header.attribute("orv:errors", static_cast<int>(std::min(facts.errors, kLargest)));
}

}  // namespace host
