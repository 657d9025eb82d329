// orv-render: renders a scene file to an image.
#include <strings.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "command_line.h"
#include "live/file_watch.h"
#include "live/live_session.h"
#include "render/bucket_renderer.h"
#include "render/film.h"
#include "render/image_encoder.h"
#include "render/image_facts.h"
#include "render/image_output.h"
#include "render/progress_bar.h"
#include "render/render_memory.h"
#include "render/scene_render.h"
#include "scene/json_reader.h"
#include "scene/scene_error.h"
#include "universe/host_error.h"
#include "universe/plugin_search.h"
#include "universe/text_file.h"

namespace {

/// "12.3 k", "4.56 M": a count or rate with an SI prefix.
std::string si(double value) {
    const char* prefix[] = {"", " k", " M", " G", " T"};
    int i = 0;
    while (value >= 1000.0 && i < 4) {
        value /= 1000.0;
        ++i;
    }
    char text[32];
    std::snprintf(text, sizeof(text), i == 0 ? "%.0f%s" : "%.3g%s", value, prefix[i]);
    return text;
}

/// "no warnings", "1 warning", "3 warnings, 1 error": what the diagnostics sink was given.
std::string countsText(const host::Diagnostics::Counts& counts) {
    std::string text = counts.warnings == 0 ? "no" : std::to_string(counts.warnings);
    text += counts.warnings == 1 ? " warning" : " warnings";
    if (counts.errors > 0)
        text += ", " + std::to_string(counts.errors) + (counts.errors == 1 ? " error" : " errors");
    return text;
}

/// orv-render --watch: renders `scenePath` to `output` and again after every change to the
/// file, until a stop request; gives the exit status.
class SceneWatch {
  public:
    SceneWatch(const std::string& scenePath, const std::string& output,
               const host::LiveOptions& options, bool quiet)
        : path_(scenePath),
          quiet_(quiet),
          // Watched before it is read, so that a change made while it is read is seen.
          watch_(scenePath),
          session_(scenePath, options),
          file_(output) {
        if (file_.replaces(scenePath))
            throw host::HostError("cannot write '" + output + "': it is the scene file");
        try {
            text_ = host::readTextFile(scenePath);
        } catch (const host::HostError&) {
            // Gone already: the next change brings it back.
        }
    }

    int run() {
        using Clock = std::chrono::steady_clock;
        diagnostics_.print();
        session_.start();
        if (!quiet_)
            tools::say("orv-render", "watching " + path_ + "; each finished render goes to " +
                                         file_.path() + " (Ctrl-C ends)");
        bool pending = false;
        Clock::time_point lastChange;
        while (!tools::gStopRequested.load()) {
            if (watch_.wait(50)) {
                pending = true;
                lastChange = Clock::now();
                continue;
            }
            // Read once the writes have stopped for a moment, not at every write of an editor
            // that writes in pieces.
            if (pending && Clock::now() - lastChange >= std::chrono::milliseconds(100)) {
                pending = false;
                reload();
            }
            writeFinished();
            diagnostics_.print();
        }
        tools::say("orv-render", "stopped; " + file_.path() + " holds the last finished render");
        return 130;
    }

  private:
    /// Brings the file's new contents into the session; a file it cannot take leaves the last
    /// good scene rendering and says why, once.
    void reload() {
        std::string text;
        try {
            text = host::readTextFile(path_);
        } catch (const host::HostError& e) {
            refuse(e.what());
            return;
        }
        if (text == text_) return;
        text_ = text;
        try {
            // The strict reader's checks, with their places; then the same text, keys in the
            // file's order, which the session keeps.
            host::parseJsonText(text, path_);
            const nlohmann::ordered_json document = nlohmann::ordered_json::parse(text);
            if (document == session_.document()) {
                problem_.clear();
                return;
            }
            const host::EditResult result = session_.replaceDocument(document);
            if (!result.ok) {
                refuse(result.message);
                return;
            }
        } catch (const host::HostError& e) {
            refuse(e.what());
            return;
        }
        problem_.clear();
        if (!quiet_) tools::say("orv-render", path_ + " changed; rendering it again");
    }

    void refuse(const std::string& problems) {
        if (problems == problem_) return;
        problem_ = problems;
        std::fprintf(stderr, "%s\n", host::printable(problems).c_str());
        tools::say("orv-render",
                   path_ + ": not taken; " + file_.path() + " keeps the last good render");
    }

    /// Writes the newest refinement once it is complete, and each one once.
    void writeFinished() {
        host::PassInfo info;
        host::ImageFacts facts;
        const std::shared_ptr<const host::Film> film = session_.latestFilm(&info, &facts);
        if (!film || !info.final || (written_ && info.generation == writtenGeneration_)) return;
        file_.write(*film, facts);
        written_ = true;
        writtenGeneration_ = info.generation;
        tools::say("orv-render", "wrote " + file_.path());
    }

    std::string path_;
    bool quiet_;
    host::FileWatch watch_;
    host::LiveSession session_;
    host::ImageFile file_;
    tools::DiagnosticsPrinter diagnostics_{"orv-render"};
    std::string text_;     ///< the file's contents last read
    std::string problem_;  ///< what was said about them, when they were not taken
    bool written_ = false;
    uint64_t writtenGeneration_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    tools::beginTool();
    CLI::App app{
        "Render a scene file to an image (OpenEXR linear float or PNG sRGB 8-bit).\n"
        "With no scene, renders the bundled demo scene."};
    std::string scenePath = host::dataDir() + "/scenes/demo.json";
    std::string output;
    std::vector<int> crop;
    tools::Resolution resolution{0, 0};
    int threads = -1, spp = -1, bucket = 16;
    bool quiet = false;
    std::vector<std::string> plugins;
    std::string aovs;
    app.add_option("scene", scenePath, "scene file (JSON)")->capture_default_str();
    tools::addNameOption(app, "-o,--output", output,
                         "image to write, .exr or .png (default: the scene's name, .png, in the "
                         "current folder)");
    tools::addIntegerOption(app, "-t,--threads", threads, 0, 255,
                            "render threads, 0 to 255; 0 = all cores (default: the scene's)");
    tools::addIntegerOption(app, "-s,--spp", spp, 1, 65536,
                            "camera samples per pixel, 1 to 65536 (default: the scene's)");
    tools::addResolutionOption(app, "-r,--res", resolution, 16384,
                               "image size WxH, e.g. 640x480 (default: the scene's)");
    tools::addIntegersOption(app, "--crop", crop, 4, ',', 0, 16384,
                             "render only pixels X0,Y0,X1,Y1 of the frame (X1, Y1 exclusive), to "
                             "an .exr whose data window they are; tiles joined give the whole "
                             "frame exactly")
        ->type_name("X0,Y0,X1,Y1");
    tools::addIntegerOption(app, "--bucket", bucket, 1, 1024, "bucket size in pixels, 1 to 1024")
        ->default_str("16");
    app.add_option("--aov", aovs,
                   "channels beside the beauty, in an .exr: lights, unfiltered, albedo, N, Z, id "
                   "(comma-separated), or all (default: the scene's \"aovs\")")
        ->type_name("LIST");
    app.add_option("--plugin", plugins, "load another plug-in module (repeatable)");
    app.add_flag("-q,--quiet", quiet, "no progress bar and no summary");
    bool watch = false;
    auto watchFlag = app.add_flag(
        "--watch", watch,
        "render, then render again whenever the scene file changes, rewriting the output after "
        "each finished render, until Ctrl-C");
    // A watched render is the scene's own frame and samples, as the file says.
    for (const char* flag : {"--res", "--spp", "--crop", "--bucket"})
        watchFlag->excludes(app.get_option(flag));
    if (const auto stop = tools::parseCommandLine(app, argc, argv, "orv-render")) return *stop;

    int width = resolution.first, height = resolution.second;
    host::PixelWindow window;
    if (!crop.empty()) {
        window = host::PixelWindow{crop[0], crop[1], crop[2], crop[3]};
        if (window.empty()) {
            tools::say("orv-render", "--crop: expected X0 < X1 and Y0 < Y1; see orv-render --help");
            return 1;
        }
    }
    if (output.empty())
        output =
            std::filesystem::path(scenePath).stem().string() + (crop.empty() ? ".png" : ".exr");
    if (!crop.empty() &&
        strcasecmp(std::filesystem::path(output).extension().c_str(), ".exr") != 0) {
        tools::say("orv-render", "--crop writes an .exr (a PNG has no data window)");
        return 1;
    }

    try {
        tools::catchStops("orv-render");
        host::checkImagePath(output);
        // Every render writes an image: its encoder's libraries are loaded first,
        // rather than between the scene's summary and the render.
        host::imageEncoder();
        host::SceneReadOptions readOptions;
        readOptions.plugins = plugins;
        if (watch) {
            host::LiveOptions options;
            options.read = readOptions;
            options.threads = threads;
            if (app.count("--aov") > 0) options.aovs = aovs;
            SceneWatch watching(scenePath, output, options, quiet);
            tools::armStops();
            return watching.run();
        }
        host::RenderOverrides overrides;
        overrides.width = width;
        overrides.height = height;
        overrides.samples = spp;
        overrides.threads = threads;
        overrides.bucketSize = bucket;
        overrides.crop = window;
        if (app.count("--aov") > 0) overrides.aovs = aovs;
        host::SceneRender job(scenePath, overrides, readOptions);
        const host::RenderSettings& settings = job.settings();
        const host::Scene& scene = job.scene();
        width = job.width();
        height = job.height();
        tools::DiagnosticsPrinter diagnostics("orv-render");
        diagnostics.print();

        if (!quiet)
            tools::say("orv-render", scenePath + ": " + std::to_string(width) + "x" +
                                         std::to_string(height) + ", " +
                                         std::to_string(settings.samples) + " spp, " +
                                         std::to_string(settings.threads) +
                                         (settings.threads == 1 ? " thread, " : " threads, ") +
                                         std::to_string(scene.objects.size()) +
                                         (scene.objects.size() == 1 ? " object, " : " objects, ") +
                                         std::to_string(scene.lights.size()) +
                                         (scene.lights.size() == 1 ? " light" : " lights"));

        // Found out now rather than after the render: an output that cannot be written or that
        // is one of the render's own inputs, and a render that the memory limits cannot hold.
        tools::armStops();
        host::ImageFile file(output);
        host::refuseSceneInputs(file, scene);
        uint32_t channels = job.aovs();
        if (channels != 0 && host::imageExtension(output) == ".png") {
            host::diagnostics().report(host::Severity::Warning, "channels in a PNG", host::Where{},
                                       "a PNG holds the beauty alone; " + host::aovNames(channels) +
                                           " not written (write an .exr for them)");
            diagnostics.print();
            channels = 0;
        }
        host::checkRenderMemory(
            host::renderMemory(width, height, settings.threads, settings.bucketSize, output,
                               host::extraChannelCount(channels, scene.lights.size())),
            host::memoryRooms(), width, height);
        host::Film film = job.makeFilm(channels);
        host::ProgressBar bar(stderr, !quiet && isatty(fileno(stderr)));
        const host::RenderStats stats = job.render(
            film, &tools::gStopRequested, [&](int done, int total) { bar.update(done, total); });
        bar.finish();
        // Printed even with -q: the picture is not what was asked.
        diagnostics.print();

        if (stats.stopped) {
            tools::say("orv-render", "stopped; " + output + " left as it was");
            return 130;
        }
        if (!quiet) {
            const double s = std::max(stats.seconds, 1e-9);
            const host::Diagnostics::Counts given = host::diagnostics().counts();
            std::fprintf(stderr,
                         "orv-render: done in %.2f s: %s samples (%s/s), %s rays (%s/s), %s\n",
                         stats.seconds, si(double(stats.samples)).c_str(),
                         si(stats.samples / s).c_str(), si(double(stats.rays)).c_str(),
                         si(stats.rays / s).c_str(), countsText(given).c_str());
            tools::say("orv-render", "writing " + output);
        }
        file.write(film, host::renderFacts(job, stats, scenePath));
        tools::say("orv-render", "wrote " + output);
    } catch (const host::SceneError& e) {
        // What was found before the problems: a plug-in skipped may be why a type is unknown.
        tools::DiagnosticsPrinter("orv-render").print();
        for (const std::string& problem : e.problems)
            std::fprintf(stderr, "%s\n", host::printable(problem).c_str());
        tools::say("orv-render", std::to_string(e.count) +
                                     (e.count == 1 ? " problem" : " problems") +
                                     " in the scene; nothing rendered");
        return 1;
    } catch (const host::HostError& e) {
        tools::say("orv-render", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        tools::say("orv-render", "out of memory; nothing written");
        return 1;
    } catch (const std::exception& e) {
        tools::say("orv-render", e.what());
        return 1;
    }
    return 0;
}
