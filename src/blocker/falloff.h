// Ramps from the inner to the outer surface of a light blocker.
#pragma once

/// 0 at or inside dIn, 1 at or beyond dOut, linear between. Coinciding surfaces give 0.
float linearRamp(float dIn, float dOut, float x);

/// smoothstep of the linear parameter between dIn and dOut (strict bounds), raised to
/// `exponent` unless it is exactly 1. Coinciding surfaces give 0, as linearRamp does, and an
/// infinitely distant point on an infinitely distant outer surface gives 1: never NaN for
/// distances in [0, inf].
float smoothRamp(float dIn, float dOut, float x, float exponent);

/// The ramp value in [0, 1] of a point at distance x from the centre, between the inner
/// surface at dIn and the outer at dOut (all world units, along the same line).
float falloff(float dIn, float dOut, float x, bool smooth, float exponent);
