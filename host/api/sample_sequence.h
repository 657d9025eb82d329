// The host's sample pattern: the first two dimensions of the Sobol sequence (a (0,2)-sequence in
// base 2) with Owen scrambling by hashing, after Burley, "Practical Hash-based Owen Scrambling"
// (JCGT 2020). Every power-of-two prefix is stratified in all elementary intervals, any prefix
// is well spread, and each seed gives an independent scramble. Pure functions.
#pragma once

#include <cstdint>

namespace host {

inline uint32_t reverseBits(uint32_t x) {
    x = ((x >> 1) & 0x55555555u) | ((x & 0x55555555u) << 1);
    x = ((x >> 2) & 0x33333333u) | ((x & 0x33333333u) << 2);
    x = ((x >> 4) & 0x0F0F0F0Fu) | ((x & 0x0F0F0F0Fu) << 4);
    // The bytes in reverse order: the last two swaps in one instruction.
    return __builtin_bswap32(x);
}

/// A well-mixed 32-bit hash (Wellons' "lowbias32").
inline uint32_t hashBits(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}
inline uint32_t hashCombine(uint32_t seed, uint32_t value) {
    return hashBits(seed ^ (value + 0x9e3779b9u + (seed << 6) + (seed >> 2)));
}

/// Point i of Sobol dimension 0 and 1, as 32-bit fractions.
inline uint32_t sobolDimension0(uint32_t i) {
    return reverseBits(i);
}
inline uint32_t sobolDimension1(uint32_t i) {
    uint32_t r = 0;
    for (uint32_t v = 1u << 31; i; i >>= 1, v ^= v >> 1)
        if (i & 1u) r ^= v;
    return r;
}

/// The same points with their bits reversed, which is the order Owen scrambling works in:
/// dimension 0 reversed is i itself, and dimension 1's direction numbers run upwards.
inline uint32_t sobolDimension0Reversed(uint32_t i) {
    return i;
}
/// Dimension 1 is the XOR of one direction number per set bit of i (v0 = 1, v(k+1) = vk ^ vk << 1
/// reversed), so it is linear in i's bits and adds up byte by byte: table[j][b] is the XOR of
/// the direction numbers of byte j's bits b.
struct SobolDimension1Tables {
    uint32_t byByte[4][256];
};
constexpr SobolDimension1Tables makeSobolDimension1Tables() {
    SobolDimension1Tables t{};
    uint32_t v = 1u;
    for (int bit = 0; bit < 32; ++bit, v ^= v << 1)
        for (uint32_t b = 0; b < 256; ++b)
            if (b & (1u << (bit % 8))) t.byByte[bit / 8][b] ^= v;
    return t;
}
inline constexpr SobolDimension1Tables kSobolDimension1 = makeSobolDimension1Tables();

/// A table look-up per byte of i instead of a step per bit; points below 256, the families
/// shaders ask for, take one.
inline uint32_t sobolDimension1Reversed(uint32_t i) {
    uint32_t r = kSobolDimension1.byByte[0][i & 0xFFu];
    if (i > 0xFFu)
        r ^= kSobolDimension1.byByte[1][(i >> 8) & 0xFFu] ^
             kSobolDimension1.byByte[2][(i >> 16) & 0xFFu] ^ kSobolDimension1.byByte[3][i >> 24];
    return r;
}

/// Owen scrambling of a fraction given with its bits reversed (least significant bit first):
/// each bit flipped by a hash of the bits above it. The result is in the usual order.
inline uint32_t owenScrambleReversed(uint32_t reversedFraction, uint32_t seed) {
    uint32_t x = reversedFraction + seed;
    x ^= x * 0x6c50b47cu;
    x ^= x * 0xb82f1e52u;
    x ^= x * 0xc7afe638u;
    x ^= x * 0x8d22f6e6u;
    return reverseBits(x);
}

/// Owen scrambling of a 32-bit fraction: each bit flipped by a hash of the bits above it.
inline uint32_t owenScramble(uint32_t fraction, uint32_t seed) {
    return owenScrambleReversed(reverseBits(fraction), seed);
}

/// A 32-bit fraction as a float in [0, 1): the top 24 bits, so 1 is never reached.
inline float fractionToFloat(uint32_t fraction) {
    return static_cast<float>(fraction >> 8) * (1.0f / 16777216.0f);
}

}  // namespace host
