// A scene document moved to another folder: the relative paths in it (its "plugins" entries and
// its file parameters) written again so that they name the same files from there.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

namespace host {

class FolderMove {
  public:
    /// From the folder `from` to the folder `to`, each as the reader takes it (relative to the
    /// working folder, or absolute).
    FolderMove(const std::string& from, const std::string& to);

    /// The folders are the same: nothing is rewritten.
    bool same() const { return from_ == to_; }

    /// `path`, relative to `from`, relative to `to` instead; absolute and empty paths as they are.
    std::string rebased(const std::string& path) const;

    /// Rewrites the paths in `value`, which sits at `pointer` (RFC 6901) in a scene document:
    /// "" for a whole document, "/nodes/3" for an entity, "/nodes/3/file" for a value... so
    /// that both documents and the patches between them can be moved.
    void move(nlohmann::ordered_json& value, const std::string& pointer) const;

    /// Each operation's value in an RFC 6902 patch between two documents.
    void movePatch(nlohmann::ordered_json& patch) const;

  private:
    std::filesystem::path from_, to_;
};

}  // namespace host
