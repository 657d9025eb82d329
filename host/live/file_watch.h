// Watching one file for changes, for orv-render --watch.
#pragma once

#include <string>

namespace host {

/// Changes to the file at a path, seen through inotify on its folder: editors that save by
/// writing a new file and renaming it over the old one replace the file, which a watch on the
/// file itself would lose with it. A path that is a link is watched in the link's folder.
class FileWatch {
  public:
    /// Throws HostError when the folder cannot be watched.
    explicit FileWatch(const std::string& path);
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    /// Waits up to `timeoutMs` for something to happen in the folder and reads all it has to
    /// say; true when any of it was about the file (written, made, moved there or removed), or
    /// when so much happened that events were lost. False on a signal.
    bool wait(int timeoutMs);

  private:
    int fd_ = -1;
    std::string name_;  ///< the file's name in its folder
};

}  // namespace host
