#include "render/image_facts.h"

#include <filesystem>
#include <map>

#include "render/scene_render.h"
#include "shading/sample_state.h"
#include "universe/diagnostics.h"

namespace host {

std::string sampleText(const SampleOrigin& origin) {
    return "pixel " + std::to_string(origin.pixelX) + "," + std::to_string(origin.pixelY) +
           " sample " + std::to_string(origin.sampleIndex);
}

ImageFacts renderFacts(const Scene& scene, const RenderStats& stats, const std::string& scenePath,
                       int samples) {
    ImageFacts facts;
    facts.scene = scenePath;
    facts.samples = samples;
    facts.threads = stats.threads;
    facts.seconds = stats.seconds;
    facts.nonFiniteSamples = stats.nonFinite.count;
    if (stats.nonFinite.count > 0) facts.firstNonFinite = sampleText(stats.nonFinite.first);
    const Diagnostics::Counts given = diagnostics().counts();
    facts.warnings = given.warnings;
    facts.errors = given.errors;
    std::map<std::string, std::string> versions;  // by module, each once
    for (const NodeType* type : scene.universe->registry().all())
        if (type->source != "built-in") versions.emplace(type->source, type->version);
    for (const auto& [module, version] : versions)
        facts.plugins += (facts.plugins.empty() ? "" : ", ") +
                         std::filesystem::path(module).filename().string() + " " + version;
    return facts;
}

ImageFacts renderFacts(const SceneRender& job, const RenderStats& stats,
                       const std::string& scenePath) {
    ImageFacts facts = renderFacts(job.scene(), stats, scenePath, job.settings().samples);
    facts.frameWidth = job.width();
    facts.frameHeight = job.height();
    facts.originX = job.window().x0;
    facts.originY = job.window().y0;
    return facts;
}

}  // namespace host
