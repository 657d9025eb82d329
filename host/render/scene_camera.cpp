#include "render/scene_camera.h"

#include "universe/node_kinds.h"

namespace host {

Camera sceneCamera(const Scene& scene, int width, int height) {
    const Node* camera = scene.camera;
    return makeCamera(camera->values[kCameraPosition].vec, camera->values[kCameraLookAt].vec,
                      camera->values[kCameraUp].vec, camera->values[kCameraFov].flt, width, height);
}

}  // namespace host
