#include "tool_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tooltest {

namespace fs = std::filesystem;

const char* const kOldImage = "out.png";
const char* const kOldImageText = "the picture rendered before, which must survive";

ScratchDir::ScratchDir() : work_(dir_.path("work")) {
    fs::create_directory(work_);
}

void ScratchDir::write(const std::string& name, const std::string& text) const {
    const fs::path path = work_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> ScratchDir::listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(work_))
        names.insert(fs::relative(entry.path(), work_).string());
    return names;
}

ToolRun runTool(const std::string& tool, const std::vector<std::string>& args,
                const ScratchDir& scratch, unsigned seconds, const Environment& env) {
    const std::string program = std::string(ORV_BINARY_DIR) + "/bin/" + tool;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const std::string output = scratch.outputFile().string();
    const std::string work = scratch.work().string();

    ToolRun run;
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || chdir(work.c_str()) != 0) _exit(127);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        alarm(seconds);  // kept across exec
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return run;
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    std::ifstream in(output, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
}

void PrintTo(const ToolCase& row, std::ostream* os) {
    *os << row.name;
}

void checkToolCase(const ToolCase& row) {
    ScratchDir scratch;
    for (const auto& [name, text] : row.files) scratch.write(name, text);
    scratch.write(kOldImage, kOldImageText);
    const std::set<std::string> before = scratch.listing();

    const ToolRun run = runTool(row.tool, row.args, scratch, 120, row.env);
    const std::string said = "\n" + row.tool + " said:\n" + run.output;
    EXPECT_EQ(run.signal, 0) << "ended by a signal" << said;
    EXPECT_EQ(run.exitCode, row.exitCode) << said;
    for (const std::string& word : row.mustSay)
        EXPECT_NE(run.output.find(word), std::string::npos) << "missing '" << word << "'" << said;
    for (const std::string& word : row.mustNotSay)
        EXPECT_EQ(run.output.find(word), std::string::npos)
            << "should not say '" << word << "'" << said;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 400u) << "a line too long for a message: " << line.substr(0, 80);

    EXPECT_EQ(scratch.listing(), before) << "files appeared or went";
    std::ifstream image(scratch.work() / kOldImage, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(image)),
                            std::istreambuf_iterator<char>());
    if (row.writesImage)
        EXPECT_EQ(bytes.substr(0, 4), "\x89PNG") << "no new image written" << said;
    else
        EXPECT_EQ(bytes, kOldImageText) << "the old image was touched" << said;
}

}  // namespace tooltest
