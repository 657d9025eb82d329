#include "render/crop_window.h"

#include "universe/host_error.h"

namespace host {

void checkWindowInFrame(const PixelWindow& window, int width, int height, const std::string& flag) {
    if (window.x1 > width || window.y1 > height)
        throw HostError(flag + ": outside the " + std::to_string(width) + "x" +
                        std::to_string(height) + " frame (X1 may be at most " +
                        std::to_string(width) + ", Y1 at most " + std::to_string(height) + ")");
}

}  // namespace host
