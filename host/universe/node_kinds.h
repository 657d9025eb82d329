// What the renderer reads of every node of a kind, whatever type offers it: a camera, light or
// object type's parameters begin with its kind's rows, in order and of the same types, which
// the registry checks when the type is registered. The renderer reads them by these tables'
// indices; a type's own rows follow.
#pragma once

#include <array>
#include <utility>

#include "universe/param_table.h"

namespace host {

inline constexpr std::array kCameraParams{
    vectorParam("position", 0.0f, 0.0f, 5.0f).help("where the camera stands, in world space"),
    vectorParam("lookAt", 0.0f, 0.0f, 0.0f).help("the point at the image's centre"),
    vectorParam("up", 0.0f, 1.0f, 0.0f).help("the direction towards the image's top"),
    floatParam("fov", 40.0f).help("the field of view across the image's shorter side, in degrees"),
};
inline constexpr int kCameraPosition = paramIndex(kCameraParams, "position", kTypeVector);
inline constexpr int kCameraLookAt = paramIndex(kCameraParams, "lookAt", kTypeVector);
inline constexpr int kCameraUp = paramIndex(kCameraParams, "up", kTypeVector);
inline constexpr int kCameraFov = paramIndex(kCameraParams, "fov", kTypeFloat);

inline constexpr std::array kLightParams{
    rgbParam("color", 1.0f, 1.0f, 1.0f).help("the light's colour"),
    floatParam("intensity", 1.0f)
        .help("scales the colour; the light falls off with the square of the distance"),
};
inline constexpr int kLightColor = paramIndex(kLightParams, "color", kTypeRGB);
inline constexpr int kLightIntensity = paramIndex(kLightParams, "intensity", kTypeFloat);

inline constexpr std::array kObjectParams{
    nodeParam("shader").help("the shader of every hit on the object; none: black"),
    vectorParam("translate", 0.0f, 0.0f, 0.0f).help("moves the object, in world space"),
    vectorParam("rotate", 0.0f, 0.0f, 0.0f)
        .help("turns the object, in degrees about X, then Y, then Z"),
    vectorParam("scale", 1.0f, 1.0f, 1.0f)
        .help("scales the object along its own X, Y and Z, before it is turned and moved"),
};
inline constexpr int kObjectShader = paramIndex(kObjectParams, "shader", kTypeNode);
inline constexpr int kObjectTranslate = paramIndex(kObjectParams, "translate", kTypeVector);
inline constexpr int kObjectRotate = paramIndex(kObjectParams, "rotate", kTypeVector);
inline constexpr int kObjectScale = paramIndex(kObjectParams, "scale", kTypeVector);

/// The rows every type of `kind` begins with; none for the kinds the renderer reads nothing of.
std::pair<const HostParam*, size_t> kindParams(int32_t kind);

}  // namespace host
