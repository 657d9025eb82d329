#include <filesystem>
#include <map>

#include "render/image_metadata.h"
#include "render/scene_render.h"

namespace host {

ImageFacts renderFacts(const SceneRender& job, const RenderStats& stats,
                       const std::string& scenePath) {
    ImageFacts facts;
    facts.frameWidth = job.width();
    facts.frameHeight = job.height();
    facts.originX = job.window().x0;
    facts.originY = job.window().y0;
    facts.scene = scenePath;
    facts.samples = job.settings().samples;
    facts.threads = stats.threads;
    facts.seconds = stats.seconds;
    std::map<std::string, std::string> versions;  // by module, each once
    for (const NodeType* type : job.scene().universe->registry().all())
        if (type->source != "built-in") versions.emplace(type->source, type->version);
    for (const auto& [module, version] : versions)
        facts.plugins += (facts.plugins.empty() ? "" : ", ") +
                         std::filesystem::path(module).filename().string() + " " + version;
    return facts;
}

void describeImage(OIIO::ImageSpec& header, const ImageFacts& facts) {
    if (facts.frameWidth > 0 && facts.frameHeight > 0) {
        header.x = facts.originX;
        header.y = facts.originY;
        header.full_x = header.full_y = 0;
        header.full_width = facts.frameWidth;
        header.full_height = facts.frameHeight;
    }
    header.attribute("Software", "orv_shaders " ORV_VERSION);
    if (facts.scene.empty()) return;
    header.attribute("orv:scene", facts.scene);
    header.attribute("orv:resolution",
                     std::to_string(header.full_width) + "x" + std::to_string(header.full_height));
    header.attribute("orv:samples", facts.samples);
    header.attribute("orv:threads", facts.threads);
    header.attribute("orv:renderTime", static_cast<float>(facts.seconds));
    header.attribute("orv:plugins", facts.plugins);
}

}  // namespace host
