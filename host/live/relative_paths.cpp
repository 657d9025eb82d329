#include "live/relative_paths.h"

#include <vector>

#include "scene/scene_reader.h"

namespace host {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

namespace {

/// A folder as the reader resolves paths against it: absolute, lexically normal, no trailing
/// separator.
fs::path folder(const std::string& dir) {
    fs::path p = fs::absolute(dir.empty() ? fs::path(".") : fs::path(dir)).lexically_normal();
    if (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
    return p;
}

std::vector<std::string> tokens(const std::string& pointer) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < pointer.size() && pointer[at] == '/') {
        const size_t end = pointer.find('/', at + 1);
        std::string token =
            pointer.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        std::string plain;
        for (size_t i = 0; i < token.size(); ++i) {
            if (token[i] == '~' && i + 1 < token.size()) {
                plain += token[i + 1] == '1' ? '/' : '~';
                ++i;
            } else {
                plain += token[i];
            }
        }
        out.push_back(plain);
        if (end == std::string::npos) break;
        at = end;
    }
    return out;
}

bool isEntityList(const std::string& section) {
    return section == "objects" || section == "lights" || section == "nodes";
}

}  // namespace

FolderMove::FolderMove(const std::string& from, const std::string& to)
    : from_(folder(from)), to_(folder(to)) {}

std::string FolderMove::rebased(const std::string& path) const {
    const fs::path given(path);
    if (path.empty() || given.is_absolute() || same()) return path;
    const fs::path target = (from_ / given).lexically_normal();
    const fs::path relative = target.lexically_relative(to_);
    return relative.empty() ? target.string() : relative.generic_string();
}

void FolderMove::move(ordered_json& value, const std::string& pointer) const {
    if (same()) return;
    const std::vector<std::string> at = tokens(pointer);
    const auto rebase = [&](ordered_json& text) {
        if (text.is_string()) text = rebased(text.get<std::string>());
    };
    const auto param = [&](const std::string& name, ordered_json& v) {
        if (isFileParameter(name)) rebase(v);
    };
    const auto entity = [&](ordered_json& e) {
        if (e.is_object())
            for (auto it = e.begin(); it != e.end(); ++it) param(it.key(), it.value());
    };
    if (at.empty()) {
        if (!value.is_object()) return;
        for (auto it = value.begin(); it != value.end(); ++it)
            move(it.value(), "/" + it.key());  // section names hold no '/' or '~'
        return;
    }
    const std::string& section = at[0];
    if (section == "plugins") {
        if (at.size() == 2) rebase(value);
        if (at.size() == 1 && value.is_array())
            for (ordered_json& entry : value) rebase(entry);
    } else if (section == "options" || section == "camera") {
        if (at.size() == 1) entity(value);
        if (at.size() == 2) param(at[1], value);
    } else if (isEntityList(section)) {
        if (at.size() == 1 && value.is_array())
            for (ordered_json& e : value) entity(e);
        if (at.size() == 2) entity(value);
        if (at.size() == 3) param(at[2], value);
    }
}

void FolderMove::movePatch(ordered_json& patch) const {
    if (!patch.is_array()) return;
    for (ordered_json& op : patch)
        if (op.is_object() && op.contains("value") && op.contains("path") && op["path"].is_string())
            move(op["value"], op["path"].get<std::string>());
}

}  // namespace host
