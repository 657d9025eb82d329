// A window of pixels inside a frame: what one farm machine renders of a shared frame.
#pragma once

#include <string>

namespace host {

/// Pixels [x0, x1) x [y0, y1) of a frame, counted from its top-left corner.
struct PixelWindow {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

/// Throws HostError, naming the window as `flag` gave it, unless it lies inside a frame of
/// width x height.
void checkWindowInFrame(const PixelWindow& window, int width, int height, const std::string& flag);

}  // namespace host
