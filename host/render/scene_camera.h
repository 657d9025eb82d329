// The camera a render looks through, from the scene's camera node.
#pragma once

#include "render/camera.h"
#include "scene/scene.h"

namespace host {

/// The scene's camera for an image of width x height pixels.
Camera sceneCamera(const Scene& scene, int width, int height);

}  // namespace host
