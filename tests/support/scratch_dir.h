// A folder of its own for the files a test writes, under the system's temporary folder: tests
// run in parallel and from read-only checkouts, so nothing goes into the build or source tree.
#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace test {

/// A fresh, uniquely named folder under std::filesystem::temp_directory_path(), removed with all
/// in it when the ScratchDir goes. Throws std::runtime_error when no folder can be made.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& root() const { return root_; }
    /// root() / name.
    std::filesystem::path path(const std::string& name) const { return root_ / name; }
    /// Writes `text` to path(`name`), making the folders it names; returns the path.
    std::string write(const std::string& name, const std::string& text) const;
    /// Every path under root(), relative to it.
    std::set<std::string> listing() const;

  private:
    std::filesystem::path root_;
};

}  // namespace test
