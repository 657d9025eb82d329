#include "blocker/blocker_data.h"

void BlockerData::setUp(const BlockerParams& snapshot) {
    muted = snapshot.mute;
    if (muted) return;
    params = snapshot;
    inner.build(params.bType, params.bPositive, params.bScale, params.bRot, params.bTransl);
    outer.build(params.bType, params.bPositive, params.bScale * params.bExtraScale, params.bRot,
                params.bTransl);
    zone =
        FalloffZone::from(params.bPositive, params.bDecayPower, params.bExtraScale, inner, outer);
}
