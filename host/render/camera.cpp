#include "render/camera.h"

#include <algorithm>
#include <cmath>

namespace host {

namespace {
Vector sub(const Vector& a, const Vector& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vector scale(const Vector& a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
Vector cross(const Vector& a, const Vector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vector normalize(const Vector& a) {
    const float l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return l > 0 ? scale(a, 1.0f / l) : a;
}
}  // namespace

Camera makeCamera(const Vector& position, const Vector& lookAt, const Vector& up, float fovDegrees,
                  int width, int height) {
    const Vector forward = normalize(sub(lookAt, position));
    const Vector right = normalize(cross(forward, up));
    const Vector trueUp = cross(right, forward);
    const float halfShort = std::tan(fovDegrees * 0.5f * 3.14159265358979f / 180.0f);
    const float pixel = 2.0f * halfShort / static_cast<float>(std::max(1, std::min(width, height)));
    Camera camera;
    camera.position = position;
    camera.right = scale(right, pixel);
    camera.down = scale(trueUp, -pixel);
    const float halfW = 0.5f * pixel * static_cast<float>(width);
    const float halfH = 0.5f * pixel * static_cast<float>(height);
    camera.topLeft = {forward.x - right.x * halfW + trueUp.x * halfH,
                      forward.y - right.y * halfW + trueUp.y * halfH,
                      forward.z - right.z * halfW + trueUp.z * halfH};
    return camera;
}

Vector cameraDirection(const Camera& camera, float x, float y) {
    return normalize({camera.topLeft.x + camera.right.x * x + camera.down.x * y,
                      camera.topLeft.y + camera.right.y * x + camera.down.y * y,
                      camera.topLeft.z + camera.right.z * x + camera.down.z * y});
}

}  // namespace host
