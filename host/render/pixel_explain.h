// Why a pixel has its colour: the --explain tree of one camera sample of the render, for
// orv-shade --pixel and the live page.
#pragma once

#include <nlohmann/json.hpp>

#include "render/camera.h"
#include "scene/scene.h"
#include "tracing/world.h"

namespace host {

/// The explain tree of pixel (x, y)'s first camera sample, in a frame of width x height pixels
/// (the scene's size, or the one `camera` was made for), through the camera the render uses:
/// the same ray, at the same place in the pixel for the scene's samples, with the same random
/// numbers, as the render's sample 0 of that pixel. Gives {"pixel": [x, y], "sample": 0,
/// "position": the image point, "object": the object hit or null, "color": the sample's RGBA
/// as the render adds it to the pixel, "explain": the camera ray's tree (explain_report.h)}.
/// Runs the sample on render thread `thread` with a recorder of its own: the nodes must be set
/// up (setUpNodes) and no edit may be under way. Throws HostError outside the frame, and
/// std::bad_alloc when the tree finds no memory.
nlohmann::ordered_json explainPixel(const Scene& scene, const World& world, const Camera& camera,
                                    int x, int y, int width, int height, int thread = 0);

}  // namespace host
