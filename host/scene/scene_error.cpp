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

SceneError::SceneError(std::vector<std::string> found, size_t count)
    : HostError(joinLines(found)), problems(std::move(found)), count(count) {
    if (this->count < problems.size()) this->count = problems.size();
}

}  // namespace host
