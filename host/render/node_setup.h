// The set-up pass: the first sample each node sees after an update, chosen from the scene alone.
//
// A node may read its settings from the first sample that evaluates it after an update. In a
// render that sample would be whichever a thread happened to shade first, so the picture would
// follow the schedule, the bucket size and the crop, and orv-shade's answer the order of its
// points. This pass evaluates every shader node once, on one thread, before anything else
// shades, on a sample that only the scene decides.
#pragma once

#include <vector>

#include "scene/scene.h"
#include "tracing/world.h"

namespace host {

/// Evaluates every shader node of `scene` once, on thread index 0, so that each node's first
/// sample after an update is the one described below, whatever renders or shades next.
/// Call it after Universe::prepare and before any render thread starts or any point is shaded;
/// after an edit, prepare again and call it again: nodes whose set-up still stands do not redo
/// it, so the pass costs one or two evaluations per node. `world` is the one the render will
/// use, built from `scene`.
///
/// Roots are taken in this order, each shaded in a sample of its own:
///  1. each light, in scene order, evaluates its filters in order, at the light's position,
///     looking along its direction (down for a point light), the normal facing back, on no
///     object, given the light's colour times its intensity;
///  2. each object, in scene order, evaluates its shader and then the nodes its user
///     parameters name (its "environment"), at the object's origin (its translate), seen along
///     the line from the camera, the normal facing the camera, on that object;
///  3. the options' background, as a camera ray that misses everything sees it: from the
///     camera's position along its view direction.
/// After each root, every node its network reaches that no earlier root reached is evaluated
/// on its own on the same sample, in scene order, so that a node behind a branch the root did
/// not take is set up there too. A node reached by no root is evaluated on orv-shade's default
/// point (origin, normal +Z, ray -Z, no object, light 1). A node set up inside another's
/// evaluation (a station around it) keeps that set-up.
///
/// Set-up samples cast no traced rays (probes and shadow rays are cast): a node is never set up
/// on the hit of a ray another node traced. Nothing of the pass reaches a render's image or its
/// counts: its samples, rays, messages and memory are its own, and nothing is explained.
///
/// `shaders`, when given, are the scene's shader nodes in scene order, as a caller that keeps
/// them passes them: the pass then walks no node but those, and no more objects than it takes
/// to reach every shader node.
void setUpNodes(const Scene& scene, const World& world,
                const std::vector<Node*>* shaders = nullptr);

}  // namespace host
