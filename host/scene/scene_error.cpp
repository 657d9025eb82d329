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

SceneError::SceneError(std::vector<std::string> found, size_t total)
    : HostError(joinLines(found)), problems(std::move(found)), count(total) {
    if (count < problems.size()) count = problems.size();
}

}  // namespace host
