#include "blocker/blocker_data.h"

#include <cmath>

void BlockerData::setUp(const BlockerParams& snapshot) {
    muted = snapshot.mute;
    if (muted) return;
    params = snapshot;
    inner.build(params.bType, params.bPositive, params.bScale, params.bRot, params.bTransl);
    outer.build(params.bType, params.bPositive, params.bScale * params.bExtraScale, params.bRot,
                params.bTransl);
    zone = FalloffZone::from(params.bPositive, params.bDecayPower, params.bExtraScale);
    // The outer scale is the inner one times bExtraScale, rounded to float axis by axis; the
    // exact ratio of the two, rather than bExtraScale, carries one shape's coordinates into
    // the other's.
    if (inner.invertible() && outer.invertible()) {
        const auto ratio = [](float o, float i) {
            return static_cast<float>(static_cast<double>(o) / static_cast<double>(i));
        };
        zone.outerToInner =
            Float3(ratio(outer.scale.x, inner.scale.x), ratio(outer.scale.y, inner.scale.y),
                   ratio(outer.scale.z, inner.scale.z));
        zone.sharedPlacement = std::isfinite(zone.outerToInner.x) &&
                               std::isfinite(zone.outerToInner.y) &&
                               std::isfinite(zone.outerToInner.z);
    }
}
