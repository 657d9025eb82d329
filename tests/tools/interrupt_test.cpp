// orv-render and orv-shade run as a user runs them: interrupted and killed while rendering and
// while writing, into folders they cannot write, under memory limits, on networks that reach
// themselves. An image on disk is the old one or the whole new one, and nothing else is left.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "render/image_compare.h"
#include "render/image_output.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

/// A tool running with its stderr on a pipe.
class Tool {
  public:
    /// Starts ORV_BINARY_DIR/bin/`name` with `args`. `limit` sets a resource limit in the child
    /// (resource -1: none); a file-size limit also ignores SIGXFSZ, so writes fail instead.
    Tool(const std::string& name, const std::vector<std::string>& args, int resource = -1,
         rlim_t limit = 0) {
        const std::string path = std::string(ORV_BINARY_DIR) + "/bin/" + name;
        std::vector<std::string> words{path};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 2);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            if (resource >= 0) {
                const rlimit value{limit, limit};
                setrlimit(resource, &value);
                if (resource == RLIMIT_FSIZE) ::signal(SIGXFSZ, SIG_IGN);
            }
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(fds[1]);
        err_ = fds[0];
    }
    ~Tool() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            finish();
        }
        close(err_);
    }

    /// Reads stderr until it holds `text` `times` times; false at the end of the output or
    /// after 60 s.
    bool waitFor(const std::string& text, int times = 1) {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (count(text) < times)
            if (std::chrono::steady_clock::now() > end || readSome(1000) < 0) return false;
        return true;
    }
    int count(const std::string& text) const {
        int found = 0;
        for (size_t at = stderr_.find(text); at != std::string::npos;
             at = stderr_.find(text, at + 1))
            ++found;
        return found;
    }
    void send(int signal) { kill(pid_, signal); }
    /// Waits for the end; gives the wait status.
    int finish() {
        while (readSome(-1) >= 0) {
        }
        if (status_ < 0) waitpid(pid_, &status_, 0);
        return status_;
    }
    /// As finish, but -1 when the tool has not ended within `seconds` (it is killed then).
    int finishWithin(int seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end)
            if (readSome(100) < 0) return finish();
        return -1;
    }
    const std::string& errors() const { return stderr_; }

  private:
    /// 1: read something, 0: nothing within the time, -1: the end of the output.
    int readSome(int timeoutMs) {
        pollfd p{err_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) == 0) return 0;
        char buffer[4096];
        const ssize_t n = read(err_, buffer, sizeof(buffer));
        if (n <= 0) return -1;
        stderr_.append(buffer, static_cast<size_t>(n));
        return 1;
    }

    pid_t pid_ = -1;
    int err_ = -1;
    int status_ = -1;
    std::string stderr_;
};

int exitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The image's "orv:" attributes by name, as oiiotool lists them.
std::map<std::string, std::string> orvAttributes(const fs::path& image) {
    std::map<std::string, std::string> found;
    FILE* pipe = popen(("oiiotool --info -v '" + image.string() + "' 2>&1").c_str(), "r");
    if (!pipe) return found;
    char line[1024];
    while (fgets(line, sizeof(line), pipe)) {
        const std::string text(line);
        const size_t at = text.find("orv:");
        const size_t colon = at == std::string::npos ? at : text.find(": ", at);
        if (colon != std::string::npos) found[text.substr(at, colon - at)] = text.substr(colon + 2);
    }
    pclose(pipe);
    return found;
}

/// Nodes e0 to e`levels`, each linking the one below twice: e`levels` takes 2^levels
/// evaluations.
std::string diamondNetwork(int levels) {
    std::string nodes = R"({"type": "environment", "name": "e0"})";
    for (int i = 1; i <= levels; ++i) {
        const std::string before = "{\"link\": \"e" + std::to_string(i - 1) + "\"}";
        nodes += R"(, {"type": "environment", "name": "e)" + std::to_string(i) +
                 R"(", "mode": 1, "zenith": )" + before + R"(, "nadir": )" + before + "}";
    }
    return nodes;
}

class ToolRuns : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(out_ = root_ / "out");
        // Nothing to hit: fast to render at any size, and its uniform image compresses well.
        std::ofstream(scene_ = (root_ / "empty.json").string())
            << R"({"options": {"xres": 32, "yres": 32, "samples": 1, "backgroundColor": [0.2, 0.3, 0.4]},
                  "camera": {"position": [0, 0, 5], "lookAt": [0, 0, 0]}})";
    }
    std::string writeScene(const std::string& name, const std::string& text) {
        const fs::path path = root_ / name;
        std::ofstream(path) << text;
        return path.string();
    }
    /// An image already at the output, as a render before this one left it.
    std::string oldImage(const std::string& name) {
        host::ImageBuffer image(8, 4);
        for (int x = 0; x < 8; ++x) image.at(x, 1) = RGBA{1, 0.5f, 0.25f, 1};
        host::writeImage((out_ / name).string(), image);
        return contents(out_ / name);
    }
    std::set<std::string> leftInOut() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(out_))
            names.insert(entry.path().filename());
        return names;
    }
    /// The output is the old image or the whole new one, and nothing else is in its folder.
    void expectOldOrWhole(const std::string& name, const std::string& old, int width) {
        EXPECT_EQ(leftInOut(), std::set<std::string>{name});
        if (contents(out_ / name) == old) return;
        const host::ImageBuffer read = host::readImage((out_ / name).string());
        EXPECT_EQ(read.width(), width);
        EXPECT_NEAR(read.at(width / 2, width / 2).b, 0.4f, 1e-6f);
    }

    test::ScratchDir scratch_;
    const fs::path root_ = scratch_.root();
    fs::path out_;
    std::string scene_;
};

TEST_F(ToolRuns, WatchRendersEachChangeAndKeepsTheLastGoodRenderThroughABrokenFile) {
    // An .exr, which holds every fact of the render (a PNG only its text ones).
    const fs::path scene = root_ / "watched.json", image = out_ / "watched.exr";
    // As editors save: a new file renamed over the old one.
    auto save = [&](const std::string& text) {
        std::ofstream(root_ / "watched.json.new") << text;
        fs::rename(root_ / "watched.json.new", scene);
    };
    auto ball = [](const char* color) {
        return std::string(R"({"options": {"xres": 16, "yres": 12, "samples": 1},
            "camera": {"position": [0, 0, 5], "lookAt": [0, 0, 0], "fov": 30},
            "objects": [{"type": "sphere", "shader": "f"}],
            "nodes": [{"type": "flat", "name": "f", "color": )") +
               color + "}]}";
    };
    save(ball("[1, 0, 0]"));
    Tool tool("orv-render", {"--watch", scene.string(), "-o", image.string(), "-t", "1"});
    ASSERT_TRUE(tool.waitFor("wrote ")) << tool.errors();
    const std::string red = contents(image);
    EXPECT_NEAR(host::readImage(image.string()).at(8, 6).r, 1.0f, 1e-6f);
    // It says how it was made as a batch render's image does, but for the time taken.
    const fs::path batch = root_ / "batch.exr";
    Tool render("orv-render", {scene.string(), "-q", "-t", "1", "-o", batch.string()});
    ASSERT_EQ(exitCode(render.finishWithin(30)), 0) << render.errors();
    std::map<std::string, std::string> watched = orvAttributes(image),
                                       batched = orvAttributes(batch);
    EXPECT_EQ(watched.erase("orv:renderTime") + batched.erase("orv:renderTime"), 2u);
    EXPECT_EQ(batched.count("orv:plugins") + batched.count("orv:threads"), 2u);
    EXPECT_EQ(watched, batched);

    save(ball("[0, 0, 1]"));
    ASSERT_TRUE(tool.waitFor("wrote ", 2)) << tool.errors();
    const std::string blue = contents(image);
    EXPECT_NEAR(host::readImage(image.string()).at(8, 6).b, 1.0f, 1e-6f);

    // Half written, then saved again as it was: its problem is told once.
    save(R"({"nodes": [)");
    ASSERT_TRUE(tool.waitFor("not taken")) << tool.errors();
    std::this_thread::sleep_for(400ms);
    save(R"({"nodes": [)");
    std::this_thread::sleep_for(400ms);
    save(ball("[0, 0, 1], \"colr\": 1"));
    ASSERT_TRUE(tool.waitFor("not taken", 2)) << tool.errors();
    EXPECT_EQ(tool.count("malformed JSON"), 1) << tool.errors();
    EXPECT_NE(tool.errors().find("unknown parameter 'colr'"), std::string::npos) << tool.errors();
    EXPECT_EQ(tool.count("wrote "), 2) << tool.errors();
    EXPECT_EQ(contents(image), blue);

    tool.send(SIGINT);
    EXPECT_EQ(exitCode(tool.finishWithin(30)), 130) << tool.errors();
    EXPECT_EQ(contents(image), blue);
    EXPECT_NE(red, blue);
    EXPECT_EQ(leftInOut(), std::set<std::string>{"watched.exr"});
}

TEST_F(ToolRuns, InterruptedOrKilledWhileRenderingLeavesTheOldImageAlone) {
    const std::string old = oldImage("frame.exr");
    const std::string output = (out_ / "frame.exr").string();
    for (int signals : {1, 2, 9}) {  // SIGINT once (a clean stop), twice, SIGKILL
        Tool render("orv-render", {scene_, "--res", "2048x2048", "-o", output});
        ASSERT_TRUE(render.waitFor("2048x2048")) << render.errors();
        std::this_thread::sleep_for(100ms);
        if (signals == 9) render.send(SIGKILL);
        for (int i = 0; i < signals && signals < 9; ++i) render.send(SIGINT);
        const int status = render.finish();
        if (signals == 1) {
            EXPECT_EQ(exitCode(status), 130) << render.errors();
            EXPECT_NE(render.errors().find("left as it was"), std::string::npos);
        }
        EXPECT_EQ(render.errors().find("writing"), std::string::npos) << "the render ran out";
        EXPECT_EQ(leftInOut(), std::set<std::string>{"frame.exr"});
        EXPECT_EQ(contents(output), old) << signals;
    }
}

TEST_F(ToolRuns, KilledWhileWritingLeavesTheOldImageOrTheWholeNewOne) {
    const std::string old = oldImage("frame.exr");
    for (int signals : {9, 2}) {  // SIGKILL, and SIGINT twice
        Tool render("orv-render",
                    {scene_, "--res", "2048x2048", "-o", (out_ / "frame.exr").string()});
        ASSERT_TRUE(render.waitFor("writing")) << render.errors();
        if (signals == 9) render.send(SIGKILL);
        for (int i = 0; i < signals && signals < 9; ++i) render.send(SIGINT);
        const int status = render.finish();
        EXPECT_TRUE(WIFSIGNALED(status) || exitCode(status) == 0) << render.errors();
        expectOldOrWhole("frame.exr", old, 2048);
    }
    // Into a folder with no image yet: no image, or the whole one.
    Tool render("orv-render", {scene_, "--res", "2048x2048", "-o", (out_ / "new.png").string()});
    ASSERT_TRUE(render.waitFor("writing")) << render.errors();
    render.send(SIGKILL);
    render.finish();
    const std::set<std::string> left = leftInOut();
    EXPECT_TRUE(left == std::set<std::string>{"frame.exr"} ||
                left == (std::set<std::string>{"frame.exr", "new.png"}));
}

TEST_F(ToolRuns, FailedWriteNamesTheOutputAndTheReasonAndKeepsTheOldImage) {
    const std::string old = oldImage("frame.exr");
    const std::string output = (out_ / "frame.exr").string();
    Tool render("orv-render", {scene_, "-q", "--res", "256x256", "-o", output}, RLIMIT_FSIZE, 1);
    EXPECT_EQ(exitCode(render.finish()), 1);
    EXPECT_NE(render.errors().find("cannot write '" + output + "': File too large"),
              std::string::npos)
        << render.errors();
    EXPECT_EQ(leftInOut(), std::set<std::string>{"frame.exr"});
    EXPECT_EQ(contents(output), old);
}

TEST_F(ToolRuns, UnwritableOutputFolderFailsBeforeRendering) {
    fs::permissions(out_, fs::perms::owner_read | fs::perms::owner_exec);
    // Permissions do not stop the superuser; sysfs does.
    const std::string output =
        access(out_.c_str(), W_OK) == 0 ? "/sys/orv_frame.exr" : (out_ / "frame.exr").string();
    Tool render("orv-render", {scene_, "--res", "4096x4096", "-o", output});
    EXPECT_EQ(exitCode(render.finish()), 1);
    EXPECT_NE(render.errors().find("cannot write '" + output + "'"), std::string::npos)
        << render.errors();
    EXPECT_EQ(render.errors().find("done in"), std::string::npos) << "it rendered first";
}

TEST_F(ToolRuns, RenderTheLimitsCannotHoldIsRefusedWithTheFigures) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizers reserve terabytes of address space: no limit can be set";
#endif
    const rlim_t limit = rlim_t(2) << 30;
    const std::string output = (out_ / "huge.exr").string();
    Tool huge("orv-render", {scene_, "--res", "16384x16384", "-o", output}, RLIMIT_AS, limit);
    EXPECT_EQ(exitCode(huge.finish()), 1);
    for (const char* words : {"16384x16384 render needs about 8.", "GiB", "address-space limit"})
        EXPECT_NE(huge.errors().find(words), std::string::npos) << words << ": " << huge.errors();
    EXPECT_EQ(huge.errors().find("done in"), std::string::npos);
    // What does fit still renders under the same limit.
    Tool small("orv-render", {scene_, "-q", "--res", "256x256", "-o", output}, RLIMIT_AS, limit);
    EXPECT_EQ(exitCode(small.finish()), 0) << small.errors();
    EXPECT_EQ(leftInOut(), std::set<std::string>{"huge.exr"});
}

// An environment lookup that reaches itself is refused by the scene check where it can see it;
// hidden from it (the ray type linked), and in a link chain too deep, the host's nesting bound
// ends the evaluation: the tools finish, with a warning for the chain.
TEST_F(ToolRuns, NetworksThatReachThemselvesAreRefusedOrRenderAndShadeWithoutCrashing) {
    auto loopScene = [&](const std::string& name, const std::string& innerRayType) {
        return writeScene(name, R"({
      "options": {"xres": 16, "yres": 16, "samples": 1},
      "camera": {"position": [0, 0, 6], "lookAt": [0, 0, 0]},
      "objects": [{"type": "sphere", "name": "ball", "shader": "surface",
                   "user": {"environment": "envNet"}}],
      "nodes": [
        {"type": "orv_radio_integer", "name": "three", "integer": 3},
        {"type": "orv_trace", "name": "outer", "rayType": 3, "direction": 1},
        {"type": "orv_trace", "name": "inner", "rayType": )" +
                                    innerRayType + R"(},
        {"type": "flat", "name": "envNet", "color": {"link": "inner"}},
        {"type": "flat", "name": "surface", "color": {"link": "outer"}}]})");
    };
    const std::string seen = loopScene("seen.json", "3");
    Tool refusedRender("orv-render", {seen, "-q", "-o", (out_ / "loop.png").string()});
    Tool refusedShade("orv-shade", {seen, "-n", "surface"});
    for (Tool* tool : {&refusedRender, &refusedShade}) {
        EXPECT_EQ(exitCode(tool->finish()), 1) << tool->errors();
        for (const char* words : {"object 'ball'", "user parameter 'environment'", "cycle"})
            EXPECT_NE(tool->errors().find(words), std::string::npos) << tool->errors();
    }
    const std::string loop = loopScene("loop.json", R"({"link": "three"})");
    // A link chain deeper than the host lets evaluations nest in one sample.
    std::string chain = R"({"type": "flat", "name": "c0", "color": [0.2, 0.4, 0.6]})";
    for (int i = 1; i < 80; ++i)
        chain += R"(, {"type": "flat", "name": "c)" + std::to_string(i) +
                 R"(", "color": {"link": "c)" + std::to_string(i - 1) + "\"}}";
    const std::string deep = writeScene("deep.json", R"({
      "options": {"xres": 16, "yres": 16, "samples": 1},
      "camera": {"position": [0, 0, 6], "lookAt": [0, 0, 0]},
      "objects": [{"type": "sphere", "name": "ball", "shader": "c79"}],
      "nodes": [)" + chain + "]}");
    for (const auto& [scene, node] : {std::pair{loop, "surface"}, std::pair{deep, "c79"}}) {
        Tool render("orv-render", {scene, "-q", "-o", (out_ / "loop.png").string()});
        EXPECT_EQ(exitCode(render.finish()), 0) << scene << render.errors();
        Tool shade("orv-shade", {scene, "-n", node});
        EXPECT_EQ(exitCode(shade.finish()), 0) << scene << shade.errors();
        if (scene != deep) continue;
        for (const Tool* tool : {&render, &shade})
            EXPECT_NE(tool->errors().find("warning: node 'c"), std::string::npos) << tool->errors();
    }
}

// A stop request ends a render in the middle of a bucket and of a sample: a network of 2^22
// evaluations a sample, of which a bucket takes minutes (SIGTERM), and glossy rays of 65536 a
// bounce that hit the sphere they leave, a sample that would go on for days (SIGINT).
TEST_F(ToolRuns, StopRequestEndsARenderInsideASampleThatWouldNotEnd) {
    const std::string diamond = diamondNetwork(22);
    const std::string head = R"({"options": {"xres": 64, "yres": 64, "samples": 1, "rayDepth": 8},
        "camera": {"position": [0, 0, 0], "lookAt": [0, 0, -1]},
        "objects": [{"type": "sphere", "radius": 10, "shader": )";
    const std::string networks[] = {
        writeScene("diamond.json", head + R"("e22"}], "nodes": [)" + diamond + "]}"),
        writeScene("glossy.json", head + R"("g"}], "nodes": [{"type": "orv_trace", "name": "g",
            "rayType": 1, "glossy": true, "samples": 2147483647, "spread": 0.3}]})")};
    for (const int signal : {SIGTERM, SIGINT}) {
        const std::string& scene = networks[signal == SIGTERM ? 0 : 1];
        Tool render("orv-render", {scene, "-o", (out_ / "never.png").string()});
        ASSERT_TRUE(render.waitFor("64x64")) << render.errors();
        std::this_thread::sleep_for(300ms);
        render.send(signal);
        const int status = render.finishWithin(30);
        EXPECT_EQ(exitCode(status), 130) << scene << ": " << render.errors();
        EXPECT_NE(render.errors().find("stopped"), std::string::npos) << render.errors();
        EXPECT_EQ(leftInOut(), std::set<std::string>{});
    }
}

// Before the render, while the nodes are set up on a network of 2^27 evaluations, and in
// orv-shade, a stop request ends the tool with 130 too, leaving no folder made for the image.
TEST_F(ToolRuns, StopRequestEndsTheToolsBeforeTheRenderAndWhileShading) {
    const std::string scene = writeScene("deep.json", R"({"options": {"xres": 8, "yres": 8},
        "objects": [{"type": "sphere", "shader": "e27"}], "nodes": [)" +
                                                          diamondNetwork(27) + "]}");
    const std::string image = (out_ / "made" / "x.exr").string();
    const std::vector<std::string> runs[] = {{"orv-render", scene, "-o", image},
                                             {"orv-shade", scene, "-n", "e27"},
                                             {"orv-shade", scene, "-n", "e27", "--grid",
                                              "0,0,0:1,1,0", "--res", "2x2", "--image", image}};
    for (const std::vector<std::string>& run : runs) {
        Tool tool(run[0], std::vector<std::string>(run.begin() + 1, run.end()));
        std::this_thread::sleep_for(1500ms);
        tool.send(SIGTERM);
        EXPECT_EQ(exitCode(tool.finishWithin(30)), 130) << run.back() << tool.errors();
        EXPECT_NE(tool.errors().find(run[0] + ": stopped"), std::string::npos) << tool.errors();
        EXPECT_EQ(leftInOut(), std::set<std::string>{});
    }
}

// A FIFO with no writer, given as the scene, is refused rather than waited on.
TEST_F(ToolRuns, AFifoGivenAsTheSceneIsRefused) {
    const fs::path fifo = root_ / "scene.json";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> render = {fifo.string(), "-q", "-o", (out_ / "f.png").string()};
    const std::vector<std::string> shade = {fifo.string(), "-n", "f"};
    for (const auto& [tool, args] :
         {std::pair{"orv-render", render}, std::pair{"orv-shade", shade}}) {
        Tool run(tool, args);
        EXPECT_EQ(exitCode(run.finishWithin(60)), 1) << tool;
        EXPECT_NE(run.errors().find("scene.json: is not a regular file"), std::string::npos)
            << run.errors();
    }
}

}  // namespace
