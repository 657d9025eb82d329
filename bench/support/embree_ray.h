// Embree's own ray record filled from a ray of the host's, for the benchmarks that cast the same
// rays through Embree directly as the baseline of the host's calls.
#pragma once

#include <embree3/rtcore.h>

#include "plugin/renderer.h"

/// A record for rtcIntersect1 (or, through its `ray`, rtcOccluded1) from `origin` along
/// `direction` over [tnear, tfar]: every field the calls read set, and no hit yet. Inline: the
/// baseline loops must cost Embree's work and nothing more.
inline RTCRayHit embreeRayHit(const Vector& origin, const Vector& direction, float tnear,
                              float tfar) {
    RTCRayHit rh;
    rh.ray.org_x = origin.x;
    rh.ray.org_y = origin.y;
    rh.ray.org_z = origin.z;
    rh.ray.dir_x = direction.x;
    rh.ray.dir_y = direction.y;
    rh.ray.dir_z = direction.z;
    rh.ray.tnear = tnear;
    rh.ray.tfar = tfar;
    rh.ray.time = 0;
    rh.ray.mask = 0xFFFFFFFFu;
    rh.ray.id = 0;
    rh.ray.flags = 0;
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    return rh;
}
