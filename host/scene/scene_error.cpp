#include "scene/scene_error.h"

namespace host {

namespace {
std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}
}  // namespace

SceneError::SceneError(std::vector<std::string> found)
    : HostError(joinLines(found)), problems(std::move(found)) {}

}  // namespace host
