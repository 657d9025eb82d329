// The World a render traces against, built from a scene once all of it has been read.
#pragma once

#include <memory>

#include "geometry/geometry_scene.h"
#include "scene/scene.h"
#include "tracing/world.h"

namespace host {

/// Owns the geometry the World points to. Immutable once built; shared by all render threads.
struct RenderWorld {
    std::unique_ptr<GeometryScene> geometry;
    World world;
};

/// Builds the Embree geometry of every object and the lights with their filters, and takes the
/// background and ray depth from the options. Throws HostError, prefixed with the scene's file,
/// for an object whose geometry cannot be built.
std::unique_ptr<RenderWorld> buildWorld(const Scene& scene);

/// The lights with their filters, the background and the ray depth, from the scene as it is
/// now, into `world` (its geometry left as it is): what an edit that moves no object rebuilds.
void placeLights(const Scene& scene, World& world);

}  // namespace host
