#include "render/film.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <set>
#include <sstream>

#include "universe/host_error.h"

namespace host {

namespace {

struct AovName {
    const char* name;
    uint32_t bit;
};

const AovName kAovNames[] = {
    {"lights", kAovLights}, {"unfiltered", kAovUnfiltered},
    {"albedo", kAovAlbedo}, {"N", kAovNormal},
    {"Z", kAovDepth},       {"id", kAovId},
};

std::string knownNames() {
    std::string text;
    for (const AovName& aov : kAovNames) text += std::string(aov.name) + ", ";
    return text + "or all";
}

void addGroup(std::vector<std::string>& names, const std::string& layer, const char* a,
              const char* b, const char* c) {
    for (const char* channel : {a, b, c}) names.push_back(layer + "." + channel);
}

/// Adds `c` to the three channels from `at` on.
void addRGB(float* at, const RGB& c) {
    at[0] += c.r;
    at[1] += c.g;
    at[2] += c.b;
}

}  // namespace

uint32_t parseAovs(const std::string& list, const std::string& where) {
    uint32_t aovs = 0;
    std::istringstream in(list);
    std::string name;
    while (std::getline(in, name, ',')) {
        if (name.empty() && list.empty()) break;
        if (name == "all") {
            aovs |= kAovAll;
            continue;
        }
        const AovName* found = std::find_if(std::begin(kAovNames), std::end(kAovNames),
                                            [&](const AovName& aov) { return name == aov.name; });
        if (found == std::end(kAovNames))
            throw HostError(where + ": unknown channel '" + name + "'; expected " + knownNames());
        aovs |= found->bit;
    }
    return aovs;
}

std::string aovNames(uint32_t aovs) {
    std::string text;
    for (const AovName& aov : kAovNames)
        if (aovs & aov.bit) text += (text.empty() ? "" : ", ") + std::string(aov.name);
    return text;
}

int extraChannelCount(uint32_t aovs, size_t lights) {
    const int n = static_cast<int>(lights);
    return ((aovs & kAovLights) ? 3 * (n + 1) : 0) + ((aovs & kAovUnfiltered) ? 3 * n : 0) +
           ((aovs & kAovAlbedo) ? 3 : 0) + ((aovs & kAovNormal) ? 3 : 0) +
           ((aovs & kAovDepth) ? 1 : 0) + ((aovs & kAovId) ? 1 : 0);
}

Film::Film(int width, int height, uint32_t aovs, const std::vector<const Node*>& lights,
           const std::vector<const Node*>& objects)
    : beauty_(width, height), aovs_(aovs), lights_(lights.size()) {
    std::vector<std::string>& names = extra_.names;
    auto start = [&](uint32_t bit, int* first) {
        if (!(aovs & bit)) return false;
        *first = static_cast<int>(names.size());
        return true;
    };
    if (start(kAovLights, &lit_)) {
        for (const Node* light : lights) addGroup(names, light->name, "R", "G", "B");
        unlit_ = static_cast<int>(names.size());
        addGroup(names, "unlit", "R", "G", "B");
    }
    if (start(kAovUnfiltered, &unfiltered_))
        for (const Node* light : lights)
            addGroup(names, light->name + "_unfiltered", "R", "G", "B");
    if (start(kAovAlbedo, &albedo_)) addGroup(names, "albedo", "R", "G", "B");
    if (start(kAovNormal, &normal_)) addGroup(names, "N", "X", "Y", "Z");
    if (start(kAovDepth, &depth_)) names.push_back("Z");
    if (start(kAovId, &id_)) names.push_back("id");

    std::set<std::string> seen{"R", "G", "B", "A"};
    for (const std::string& name : names)
        if (!seen.insert(name).second)
            throw HostError("the channel '" + name +
                            "' would be written twice: a light's name makes it as another "
                            "channel does; rename the light");

    if (id_ >= 0) {
        std::vector<size_t> order(objects.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return objects[a] < objects[b]; });
        for (size_t i : order) {
            objects_.push_back(objects[i]);
            objectIds_.push_back(static_cast<float>(i + 1));
        }
    }
    extra_.values.assign(size_t(width) * size_t(height) * names.size(), 0.0f);
}

void Film::prepare(SampleChannels& record, PixelSum& sum) const {
    record.unfiltered = unfiltered_ >= 0;
    record.resize(lights_);
    sum.extra.assign(extra_.names.size(), 0.0f);
}

void Film::begin(PixelSum& sum) const {
    sum.beauty = RGBA{0, 0, 0, 0};
    std::fill(sum.extra.begin(), sum.extra.end(), 0.0f);
    sum.nearest = std::numeric_limits<float>::infinity();
    sum.nearestId = 0;
}

void Film::addSample(PixelSum& sum, const RGBA& color, const SampleChannels& record) const {
    sum.beauty.r += color.r;
    sum.beauty.g += color.g;
    sum.beauty.b += color.b;
    sum.beauty.a += color.a;
    float* out = sum.extra.data();
    if (lit_ >= 0) {
        // What the lights did not give is the unlit group's, so that the groups add up to the
        // beauty: unlit shaders, the background, light brought by traced rays.
        RGB unlit{color.r, color.g, color.b};
        for (size_t i = 0; i < record.lit.size(); ++i) {
            const RGB& c = record.lit[i];
            addRGB(out + lit_ + 3 * i, c);
            unlit.r -= c.r;
            unlit.g -= c.g;
            unlit.b -= c.b;
        }
        addRGB(out + unlit_, unlit);
    }
    if (unfiltered_ >= 0)
        for (size_t i = 0; i < record.litUnfiltered.size(); ++i)
            addRGB(out + unfiltered_ + 3 * i, record.litUnfiltered[i]);
    if (!record.hit) return;
    if (albedo_ >= 0) {
        // A surface lit by nothing (an unlit shader) is its own colour.
        const RGB a = record.lighted ? record.albedo : RGB{color.r, color.g, color.b};
        out[albedo_] += a.r;
        out[albedo_ + 1] += a.g;
        out[albedo_ + 2] += a.b;
    }
    if (normal_ >= 0) {
        out[normal_] += record.normal.x;
        out[normal_ + 1] += record.normal.y;
        out[normal_ + 2] += record.normal.z;
    }
    // Z and id are the nearest surface's among the pixel's samples, the first on a tie.
    const float distance = static_cast<float>(record.distance);
    if (!(distance < sum.nearest)) return;
    sum.nearest = distance;
    if (id_ >= 0) {
        const auto found = std::lower_bound(objects_.begin(), objects_.end(), record.object);
        const bool known = found != objects_.end() && *found == record.object;
        sum.nearestId = known ? objectIds_[size_t(found - objects_.begin())] : 0.0f;
    }
}

void Film::store(int x, int y, const PixelSum& sum, float weight) {
    beauty_.at(x, y) = RGBA{sum.beauty.r * weight, sum.beauty.g * weight, sum.beauty.b * weight,
                            sum.beauty.a * weight};
    const size_t count = sum.extra.size();
    if (count == 0) return;
    float* out = extra_.values.data() + (size_t(y) * size_t(width()) + size_t(x)) * count;
    for (size_t c = 0; c < count; ++c) out[c] = sum.extra[c] * weight;
    if (depth_ >= 0) out[depth_] = sum.nearest;
    if (id_ >= 0) out[id_] = sum.nearestId;
}

}  // namespace host
