// The rendered image: linear RGBA floats, row by row from the top.
#pragma once

#include <vector>

#include "plugin/renderer.h"

namespace host {

class ImageBuffer {
  public:
    ImageBuffer(int width, int height)
        : width_(width), height_(height), pixels_(size_t(width) * height) {}
    int width() const { return width_; }
    int height() const { return height_; }
    /// Distinct pixels may be written from different threads at once.
    RGBA& at(int x, int y) { return pixels_[size_t(y) * width_ + x]; }
    const RGBA& at(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
    float* data() { return &pixels_[0].r; }
    const float* data() const { return &pixels_[0].r; }

  private:
    int width_;
    int height_;
    std::vector<RGBA> pixels_;
};

}  // namespace host
