#include "support/scratch_dir.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "orv-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
    root_ = pattern;
}

ScratchDir::~ScratchDir() {
    // A test may have taken its own write permission away to provoke a failure.
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(root_, ec))
        if (entry.is_directory(ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

std::string ScratchDir::write(const std::string& name, const std::string& text) const {
    const fs::path file = root_ / name;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
}

std::set<std::string> ScratchDir::listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(root_))
        names.insert(fs::relative(entry.path(), root_).string());
    return names;
}

}  // namespace test
