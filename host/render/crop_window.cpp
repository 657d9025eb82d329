#include "render/crop_window.h"

#include <cstdio>

#include "universe/host_error.h"

namespace host {

bool parsePixelWindow(const std::string& text, PixelWindow* window) {
    int x0, y0, x1, y1, consumed = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d%n", &x0, &y0, &x1, &y1, &consumed) != 4 ||
        static_cast<size_t>(consumed) != text.size())
        return false;
    const PixelWindow read{x0, y0, x1, y1};
    if (read.empty() || x0 < 0 || y0 < 0) return false;
    *window = read;
    return true;
}

void checkWindowInFrame(const PixelWindow& window, int width, int height, const std::string& flag) {
    if (window.x1 > width || window.y1 > height)
        throw HostError(flag + ": outside the " + std::to_string(width) + "x" +
                        std::to_string(height) + " frame (X1 may be at most " +
                        std::to_string(width) + ", Y1 at most " + std::to_string(height) + ")");
}

}  // namespace host
