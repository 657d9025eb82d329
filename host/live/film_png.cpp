#include "live/film_png.h"

#include <cmath>

#include "render/image_encoder.h"
#include "universe/host_error.h"

namespace host {

namespace {

/// The group a channel belongs to: "key.R" is in "key", "Z" in "Z".
std::string groupOf(const std::string& channel) {
    const size_t dot = channel.rfind('.');
    return dot == std::string::npos ? channel : channel.substr(0, dot);
}

}  // namespace

std::vector<std::string> filmChannels(const Film& film) {
    std::vector<std::string> groups{"beauty"};
    for (const std::string& name : film.extra().names) {
        const std::string group = groupOf(name);
        if (groups.back() != group) groups.push_back(group);
    }
    return groups;
}

std::string filmPng(const Film& film, const std::string& channel, float exposure) {
    const float scale = std::exp2(exposure);
    const size_t pixels = size_t(film.width()) * film.height();
    ImageBuffer image(film.width(), film.height());
    float* out = image.data();
    if (channel == "beauty") {
        const float* in = film.beauty().data();
        for (size_t i = 0; i < pixels * 4; ++i) out[i] = in[i] * scale;
    } else {
        const std::vector<std::string>& names = film.extra().names;
        int first = -1, count = 0;
        for (size_t c = 0; c < names.size(); ++c)
            if (groupOf(names[c]) == channel) {
                if (first < 0) first = static_cast<int>(c);
                ++count;
            }
        if (first < 0) throw HostError("the film has no channel '" + channel + "'");
        const size_t stride = names.size();
        const float* in = film.extra().values.data();
        for (size_t i = 0; i < pixels; ++i) {
            const float* at = in + i * stride + first;
            for (int k = 0; k < 3; ++k) out[i * 4 + k] = at[count >= 3 ? k : 0] * scale;
            out[i * 4 + 3] = 1.0f;
        }
    }
    const std::vector<unsigned char> bytes = imageEncoder()("live.png", image, nullptr, {});
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace host
