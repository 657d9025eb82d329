// Replacing a file whole, as images and documents are written: the path holds the old file or
// the whole new one, never a part.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace host {

/// A file about to be replaced, made before the work that produces its contents, so that an
/// output that cannot be written is found before any of that work is done: it makes missing
/// folders, and checks every part of the write (the name, the folder, the file now there)
/// up to opening the temporary file the contents will go through.
///
/// The contents are written into an unnamed file (O_TMPFILE) in the target's folder, which is
/// then linked into place: killed at any moment, even by SIGKILL, the path holds the old file or
/// the whole new one, and nothing else is left (but for the instant between linking a
/// replacement under a temporary name and renaming it over the old file). Where the file system
/// makes no unnamed files, an exclusive temporary of unpredictable name in the same folder is
/// written and renamed instead. A path that is a symbolic link is written through: the file it
/// names is replaced and the link stays. An existing file keeps its permissions; one that is
/// read-only, a folder or not a regular file is refused. Abandoned without commit(), it removes
/// the folders it made. Every failure is a HostError "cannot write 'PATH': reason".
class FileReplacement {
  public:
    explicit FileReplacement(std::string path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    /// The path as it was given.
    const std::string& path() const { return path_; }
    /// True when the file now at the path is `other` (the same file, through any link or
    /// name): writing would destroy it.
    bool replaces(const std::string& other) const;
    /// Puts `bytes` at the path. Only the first call goes through the unnamed file; a later
    /// one writes through a named temporary.
    void commit(const void* bytes, size_t size);
    void commit(const std::string& text) { commit(text.data(), text.size()); }

  private:
    [[noreturn]] void fail(const std::string& reason) const;
    [[noreturn]] void failErrno() const;
    void release();
    int openNamedTemporary(std::string* name) const;
    bool linkIntoPlace(int fd);
    void writeThroughNamedTemporary(const void* bytes, size_t size);

    std::string path_;
    std::string name_;     ///< the file's name in its folder, links followed
    int folder_ = -1;      ///< the folder it is in (O_PATH)
    int unnamed_ = -1;     ///< the O_TMPFILE file; -1 on file systems without them
    bool exists_ = false;  ///< a file is there now, with this identity and mode:
    dev_t device_ = 0;
    ino_t inode_ = 0;
    mode_t mode_ = 0;
    std::vector<std::string> made_;  ///< folders made, outermost first
    bool committed_ = false;
};

}  // namespace host
