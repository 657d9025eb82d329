// Typed values drawn front to back from a fuzzer's input. Past the end every draw is zero, so any
// input, however short, is a whole case, and a byte changed by the fuzzer changes one value.
// Numbers favour what breaks arithmetic (NaN, infinities, the ends of float, zeros of either
// sign, denormals) and integers the edges of modes and ranges, over plain noise. The first byte
// makes half the cases tame: their numbers are finite and small enough that a product of two
// stays finite in float, so that a NaN out of them is a fault and not the end of an overflow.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace fuzz {

class FuzzBytes {
  public:
    FuzzBytes(const uint8_t* data, size_t size) : data_(data), size_(size) { tame_ = byte() & 1; }

    /// Largest magnitude of a tame case's numbers.
    static constexpr float kTameMagnitude = 1e18f;

    uint8_t byte() { return next_ < size_ ? data_[next_++] : 0; }

    uint32_t bits() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | byte();
        return v;
    }

    bool flag() { return byte() & 1; }

    /// 0 .. n-1 (n >= 1).
    int below(int n) { return static_cast<int>(byte() % static_cast<unsigned>(n)); }

    /// Mostly modes, channels and counts around their ranges; sometimes the ends of int32.
    int32_t integer() {
        static constexpr int32_t kEdges[] = {std::numeric_limits<int32_t>::min(),
                                             std::numeric_limits<int32_t>::max(),
                                             std::numeric_limits<int32_t>::min() + 1,
                                             255,
                                             256,
                                             65536,
                                             1 << 30,
                                             -65536};
        switch (byte() % 4) {
            case 0:
                return static_cast<int8_t>(byte());
            case 1:
                return static_cast<int32_t>(byte() % 13) - 1;  // -1 .. 11
            case 2:
                return kEdges[byte() % 8];
            default:
                return static_cast<int32_t>(bits());
        }
    }

    float number() {
        static constexpr float kInf = std::numeric_limits<float>::infinity();
        static constexpr float kSpecial[] = {
            0.0f,
            -0.0f,
            1.0f,
            -1.0f,
            0.5f,
            2.0f,
            1e-3f,
            std::numeric_limits<float>::quiet_NaN(),
            kInf,
            -kInf,
            std::numeric_limits<float>::max(),
            -std::numeric_limits<float>::max(),
            std::numeric_limits<float>::min(),
            std::numeric_limits<float>::denorm_min(),
            1e30f,
            -1e20f,
        };
        float v;
        switch (byte() % 6) {
            case 0:
            case 1:
                v = static_cast<float>(static_cast<int8_t>(byte())) / 8.0f;  // -16 .. 16
                break;
            case 2:
                v = kSpecial[byte() % 16];
                break;
            case 3: {  // powers of ten across the float range, either sign
                const int b = byte();
                v = static_cast<float>(std::pow(10.0, (b & 127) % 77 - 38)) * (b & 128 ? -1 : 1);
                break;
            }
            default: {
                const uint32_t raw = bits();
                std::memcpy(&v, &raw, sizeof(v));
                break;
            }
        }
        if (tame_ && !(std::fabs(v) <= kTameMagnitude))
            v = std::isnan(v) ? 0.0f : std::copysign(kTameMagnitude, v);
        return v;
    }

    /// Whether every number of this case is finite and within kTameMagnitude.
    bool tame() const { return tame_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t next_ = 0;
    bool tame_ = false;
};

}  // namespace fuzz
