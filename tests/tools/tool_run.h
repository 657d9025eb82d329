// Running the real orv-render and orv-shade on files written into a scratch folder, and tables
// of cases built on that: what the tools must answer to input a user gets wrong or an attacker
// writes on purpose.
#pragma once

#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/scratch_dir.h"

namespace tooltest {

/// A scratch folder with a work folder for the tool and, beside it, a file for what it says.
class ScratchDir {
  public:
    ScratchDir();

    /// Where the tool runs and its files go.
    const std::filesystem::path& work() const { return work_; }
    /// Writes `text` to `name` under work(), making the folders it names.
    void write(const std::string& name, const std::string& text) const;
    /// Every path under work(), relative to it.
    std::set<std::string> listing() const;
    /// A file beside work() (not in it) for the tool's output.
    std::filesystem::path outputFile() const { return dir_.path("output.txt"); }

  private:
    test::ScratchDir dir_;
    std::filesystem::path work_;
};

struct ToolRun {
    int exitCode = -1;   ///< when it exited
    int signal = 0;      ///< when a signal ended it (SIGALRM: it ran past the time allowed)
    std::string output;  ///< stdout and stderr, interleaved
};

/// Environment variables set for a tool, over the test's own: name, value.
using Environment = std::vector<std::pair<std::string, std::string>>;

/// Runs `tool` (a program of the build's bin folder) with `args` in `scratch.work()`, ended
/// with SIGALRM after `seconds`.
ToolRun runTool(const std::string& tool, const std::vector<std::string>& args,
                const ScratchDir& scratch, unsigned seconds = 120, const Environment& env = {});

/// One row of a table: a hostile input and what the tool must answer to it.
struct ToolCase {
    std::string name;  ///< the test's name: letters, digits and underscores
    std::string tool;  ///< "orv-render" or "orv-shade"
    std::vector<std::pair<std::string, std::string>> files;  ///< written first: name, text
    std::vector<std::string> args;                           ///< run in the scratch folder
    int exitCode;
    std::vector<std::string> mustSay;  ///< the file, node or object, parameter, reason
    std::vector<std::string> mustNotSay = {};
    bool writesImage = false;  ///< out.png is to be replaced by a new image
    Environment env = {};
};

/// Rows print as their names in test output.
void PrintTo(const ToolCase& row, std::ostream* os);

/// Name and text of the image every row finds in its folder before the tool runs.
extern const char* const kOldImage;
extern const char* const kOldImageText;

/// Runs a row and checks it with gtest: the exit code (never a signal), the words, that no
/// output line is long (a message, never a dump of the input), that out.png is still the old
/// one or, for writesImage, a whole new PNG, and that nothing else was left in the folder.
void checkToolCase(const ToolCase& row);

}  // namespace tooltest
