// The film: the channels a render writes, and how each camera sample adds to them. The beauty
// (R, G, B, A) is always there; the rest are asked for by name (--aov, the scene's "aovs").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/image_buffer.h"
#include "tracing/sample_channels.h"
#include "universe/node.h"

namespace host {

/// The channels beside the beauty, as they are asked for.
enum Aov : uint32_t {
    kAovLights = 1,      ///< per light after its filters, `<light>.R,G,B`, and `unlit.R,G,B`
    kAovUnfiltered = 2,  ///< per light before its filters, `<light>_unfiltered.R,G,B`
    kAovAlbedo = 4,      ///< `albedo.R,G,B`
    kAovNormal = 8,      ///< `N.X,N.Y,N.Z`
    kAovDepth = 16,      ///< `Z`
    kAovId = 32,         ///< `id`
    kAovAll = 63,
};

/// The set a comma-separated list names: "lights", "unfiltered", "albedo", "N", "Z", "id" or
/// "all"; empty for none. Throws HostError naming `where` and the first unknown name.
uint32_t parseAovs(const std::string& list, const std::string& where);

/// "lights, N": the names of a set, for messages.
std::string aovNames(uint32_t aovs);

/// Channels beside the beauty, pixel by pixel (`names.size()` floats a pixel).
struct ExtraChannels {
    std::vector<std::string> names;
    std::vector<float> values;
};

/// One pixel's samples as they are added up, per render thread.
struct PixelSum {
    RGBA beauty{0, 0, 0, 0};
    std::vector<float> extra;  ///< as long as the film's extra channels
    float nearest = 0;         ///< distance to the nearest surface a sample hit; inf for none
    float nearestId = 0;       ///< that surface's object id
};

/// Receives each camera sample of a pixel and keeps the mean (the nearest surface for Z and
/// id) of each channel. Distinct pixels may be stored from different threads at once.
class Film {
  public:
    /// `lights` and `objects` in the world's and the scene's order: each light names its
    /// groups, each object's id is its place among `objects` plus one (0 where nothing was hit).
    /// Throws HostError when two channels would have one name (a light called "albedo").
    Film(int width, int height, uint32_t aovs = 0, const std::vector<const Node*>& lights = {},
         const std::vector<const Node*>& objects = {});

    int width() const { return beauty_.width(); }
    int height() const { return beauty_.height(); }
    uint32_t aovs() const { return aovs_; }
    bool hasExtra() const { return !extra_.names.empty(); }
    const ImageBuffer& beauty() const { return beauty_; }
    ImageBuffer& beauty() { return beauty_; }
    const ExtraChannels& extra() const { return extra_; }

    /// A record and a sum for one render thread, sized for this film.
    void prepare(SampleChannels& record, PixelSum& sum) const;
    /// Starts a pixel.
    void begin(PixelSum& sum) const;
    /// Adds one camera sample: its colour and what it recorded.
    void addSample(PixelSum& sum, const RGBA& color, const SampleChannels& record) const;
    /// Stores the pixel at (x, y), each summed channel times `weight` (1 / samples).
    void store(int x, int y, const PixelSum& sum, float weight);

  private:
    ImageBuffer beauty_;
    ExtraChannels extra_;
    uint32_t aovs_;
    size_t lights_ = 0;
    // First channel of each part, or -1 when it is not written.
    int lit_ = -1, unlit_ = -1, unfiltered_ = -1, albedo_ = -1, normal_ = -1, depth_ = -1, id_ = -1;
    std::vector<const Node*> objects_;  ///< sorted, with their ids
    std::vector<float> objectIds_;
};

/// Extra channels a film of `aovs` holds for `lights` lights.
int extraChannelCount(uint32_t aovs, size_t lights);

}  // namespace host
