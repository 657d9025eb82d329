// The local data of one blocker instance: its set-up state and its two shapes.
#pragma once

#include "blocker/blocker_params.h"
#include "blocker/blocker_shape.h"
#include "blocker/falloff_zone.h"
#include "plugin/one_time_setup.h"
#include "plugin/renderer.h"

/// Created by initialize, freed by finish. Written only by setUp, in the one-time set-up under
/// `lock`, before `ready` is set; evaluations that find `ready` set only read it.
struct BlockerData {
    SetupFlag ready{0};      ///< set up since the last initialize or update
    bool muted;              ///< `mute` as the last set-up read it
    BlockerParams params;    ///< the last set-up that was not muted
    CritSec lock = nullptr;  ///< taken by the set-up only
    BlockerShape inner;      ///< from bScale
    BlockerShape outer;      ///< from bScale x bExtraScale
    FalloffZone zone;        ///< what params make of the zone between the shapes

    /// Applies a snapshot of the set-up's reads. A muted snapshot leaves params and shapes.
    void setUp(const BlockerParams& snapshot);
    /// 0 where the light is fully filtered, 1 where it passes unchanged, for world point p.
    /// Inline: it runs at every sample, and outside the outer shape it is one transform.
    float value(const Vector& p) const { return zone.value(inner, outer, p); }
    float value(const Float3& p) const { return value(p.toVector()); }
};
