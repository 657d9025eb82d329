#include "render/scene_camera.h"

namespace host {

namespace {

const ParamValue& stored(const Node* node, const char* param) {
    return node->values[node->type->findParam(param)];
}

}  // namespace

Camera sceneCamera(const Scene& scene, int width, int height) {
    const Node* camera = scene.camera;
    return makeCamera(stored(camera, "position").vec, stored(camera, "lookAt").vec,
                      stored(camera, "up").vec, stored(camera, "fov").flt, width, height);
}

}  // namespace host
