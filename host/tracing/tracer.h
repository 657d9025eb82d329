// The host's tracer: making rays, tracing, probing and shadow rays against the world, and the
// globals of the sample that shades a hit. The renderer's ray calls, the camera, the lights and
// orv-shade all come through here, so that each rule (origin offset, ray depth, alternate
// normal, ray counts) is kept once.
#pragma once

#include <cstdint>

#include "plugin/renderer.h"
#include "shading/sample_state.h"
#include "tracing/ray_making.h"

namespace host {

struct LightSample;  // tracing/light_models.h

struct World;

/// Closest hit of `ray`, shaded by the hit object's shader in a new sample one ray level deeper;
/// a miss gives the background's colour. Returns whether something was hit. Rays past the
/// world's ray depth, or without a parent sample in a world, are not cast, nor rays one level
/// deeper than the thread's stack has room for (stack_room.h). Counted per type.
bool traceRay(const Ray& ray, TraceResult& result);

/// Whether anything lies along `ray` within its distance. Counted per type; never shades.
bool probeRay(const Ray& ray);

/// Whether geometry lies between `sg`'s shading point and the light `light` was sampled from: a
/// shadow ray made as any other (same origin offset), aimed at the sample's position, or along
/// its direction without end for a light at infinity; probed and counted.
bool shadowed(const ShaderGlobals& sg, const LightSample& light);

/// The shading normal turned to face against a ray travelling along `rayDirection`.
Vector alternateNormal(const Vector& normal, const Vector& rayDirection);

/// The globals of a surface point seen along `rayDirection`: everything else blank, the
/// alternate normal as alternateNormal() gives it.
ShaderGlobals surfaceGlobals(const Vector& point, const Vector& normal,
                             const Vector& geometricNormal, const Vector& rayDirection,
                             Node* object);

/// Evaluates `node` on `sg` in a sample of its own on `thread` (fresh messages and memory,
/// released on return), `depth` ray levels down, shading a ray of `rayType`. sg->out holds
/// the result; sg->host is stale on return.
void shadeSample(ThreadContext& thread, ShaderGlobals& sg, const World* world, int depth,
                 const SampleOrigin& origin, uint32_t rayType, Node* node);

}  // namespace host
