// What a camera sample gathers beside its colour, for the film's channels (render/film.h).
#pragma once

#include <vector>

#include "plugin/renderer.h"

namespace host {

/// Filled while one camera sample is traced: by the tracer at the camera's hit and by the
/// lighting of the sample that shades it (ray depth 0). Light reaching the camera by way of
/// traced rays is not split by light. Owned by a render thread and sized once per render, so
/// that filling it allocates nothing; a thread without one (no channels asked for) records
/// nothing.
struct SampleChannels {
    bool unfiltered = false;  ///< also record each light without its filters
    /// Per light, in the world's order: its contribution after its filters, and before them.
    std::vector<RGB> lit;
    std::vector<RGB> litUnfiltered;
    bool hit = false;        ///< the camera ray hit an object
    bool lighted = false;    ///< the hit's shading asked for light (albedo is set)
    RGB albedo{0, 0, 0};     ///< the reflectance the first lighting at the hit was given
    Vector normal{0, 0, 0};  ///< shading normal at the hit
    double distance = 0;     ///< along the camera ray to the hit
    const Node* object = nullptr;

    void resize(size_t lights) {
        lit.assign(lights, RGB{0, 0, 0});
        litUnfiltered.assign(lights, RGB{0, 0, 0});
    }
    /// Forgets the last sample. Keeps the memory.
    void clear() {
        for (RGB& c : lit) c = RGB{0, 0, 0};
        if (unfiltered)
            for (RGB& c : litUnfiltered) c = RGB{0, 0, 0};
        hit = lighted = false;
        object = nullptr;
    }
};

}  // namespace host
