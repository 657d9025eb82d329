#include "render/image_metadata.h"

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
}

}  // namespace host
