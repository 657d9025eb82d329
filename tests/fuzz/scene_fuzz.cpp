// Scene files of any bytes, read and checked as every tool reads them: the reader either gives a
// scene or throws SceneError; anything else (another exception, a crash, a sanitizer report, a
// hang or a leak) is a fault.
//
// Bounded for now: inputs past kMaxBytes or nested deeper than kMaxNesting are skipped (deep
// nesting is a known stack overflow), and scenes naming plug-in modules are skipped too, since
// loading whatever library a path names runs its code.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "scene/scene_error.h"
#include "scene/scene_reader.h"

namespace {

constexpr size_t kMaxBytes = 16384;
constexpr int kMaxNesting = 64;

/// Deepest nesting of arrays and objects, outside strings.
int nesting(const std::string& text) {
    int depth = 0, deepest = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

bool namesModules(const std::string& text) {
    const nlohmann::json root = nlohmann::json::parse(text, nullptr, false);
    if (!root.is_object() || !root.contains("plugins") || !root["plugins"].is_array()) return false;
    for (const nlohmann::json& entry : root["plugins"])
        if (entry.is_string()) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxBytes) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (nesting(text) > kMaxNesting || namesModules(text)) return 0;
    try {
        // Relative file names resolve into a folder that does not exist.
        host::readSceneText(text, "fuzz.json", "/nonexistent/orv-fuzz");
    } catch (const host::SceneError&) {
    }
    return 0;
}
