// orv-render: renders a scene file to an image.
#include <strings.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "command_line.h"
#include "render/bucket_renderer.h"
#include "render/image_encoder.h"
#include "render/image_facts.h"
#include "render/image_output.h"
#include "render/progress_bar.h"
#include "render/render_memory.h"
#include "render/scene_render.h"
#include "scene/scene_error.h"
#include "universe/host_error.h"
#include "universe/plugin_search.h"

namespace {

// Raised by SIGINT/SIGTERM; the render threads poll it between buckets.
std::atomic<bool> gStop{false};

extern "C" void onStopSignal(int signal) {
    gStop.store(true);
    std::signal(signal, SIG_DFL);  // a second interrupt ends the process at once
}

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

}  // namespace

int main(int argc, char** argv) {
    tools::reportBrokenPipes();
    CLI::App app{
        "Render a scene file to an image (OpenEXR linear float or PNG sRGB 8-bit).\n"
        "With no scene, renders the bundled demo scene."};
    std::string scenePath = host::dataDir() + "/scenes/demo.json";
    std::string output;
    std::string crop;
    tools::Resolution resolution{0, 0};
    int threads = -1, spp = -1, bucket = 16;
    bool quiet = false;
    std::vector<std::string> plugins;
    app.add_option("scene", scenePath, "scene file (JSON)")->capture_default_str();
    app.add_option("-o,--output", output,
                   "image to write, .exr or .png (default: the scene's name, .png, in the current "
                   "folder)");
    app.add_option("-t,--threads", threads, "render threads; 0 = all cores (default: the scene's)")
        ->check(CLI::Range(0, 255));
    app.add_option("-s,--spp", spp, "camera samples per pixel (default: the scene's)")
        ->check(CLI::Range(1, 65536));
    tools::addResolutionOption(app, "-r,--res", resolution, 16384,
                               "image size WxH, e.g. 640x480 (default: the scene's)");
    app.add_option("--crop", crop,
                   "render only pixels X0,Y0,X1,Y1 of the frame (X1, Y1 exclusive), to an .exr "
                   "whose data window they are; tiles joined give the whole frame exactly");
    app.add_option("--bucket", bucket, "bucket size in pixels")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    app.add_option("--plugin", plugins, "load another plug-in module (repeatable)");
    app.add_flag("-q,--quiet", quiet, "no progress bar and no summary");
    if (const auto stop = tools::parseCommandLine(app, argc, argv, "orv-render")) return *stop;

    int width = resolution.first, height = resolution.second;
    host::PixelWindow window;
    if (!crop.empty() && !host::parsePixelWindow(crop, &window)) {
        std::cerr << "orv-render: --crop " << crop
                  << ": expected X0,Y0,X1,Y1, whole numbers with X0 < X1 and Y0 < Y1\n";
        return 1;
    }
    if (output.empty())
        output =
            std::filesystem::path(scenePath).stem().string() + (crop.empty() ? ".png" : ".exr");
    if (!crop.empty() &&
        strcasecmp(std::filesystem::path(output).extension().c_str(), ".exr") != 0) {
        std::cerr << "orv-render: --crop writes an .exr (a PNG has no data window)\n";
        return 1;
    }

    try {
        host::checkImagePath(output);
        // Every render writes an image: its encoder's libraries are loaded first, while no
        // signal handler is wanted yet, rather than between the scene's summary and the render.
        host::imageEncoder();
        host::SceneReadOptions readOptions;
        readOptions.plugins = plugins;
        host::RenderOverrides overrides;
        overrides.width = width;
        overrides.height = height;
        overrides.samples = spp;
        overrides.threads = threads;
        overrides.bucketSize = bucket;
        overrides.crop = window;
        host::SceneRender job(scenePath, overrides, readOptions);
        const host::RenderSettings& settings = job.settings();
        const host::Scene& scene = job.scene();
        width = job.width();
        height = job.height();
        for (const std::string& warning : scene.warnings)
            std::cerr << "orv-render: warning: " << warning << "\n";

        if (!quiet)
            std::fprintf(stderr,
                         "orv-render: %s: %dx%d, %d spp, %d thread%s, %zu object%s, %zu light%s\n",
                         scenePath.c_str(), width, height, settings.samples, settings.threads,
                         settings.threads == 1 ? "" : "s", scene.objects.size(),
                         scene.objects.size() == 1 ? "" : "s", scene.lights.size(),
                         scene.lights.size() == 1 ? "" : "s");

        // Found out now rather than after the render: an output that cannot be written, and
        // a render that the memory limits cannot hold.
        host::ImageFile file(output);
        host::checkRenderMemory(
            host::renderMemory(width, height, settings.threads, settings.bucketSize, output),
            host::memoryRooms(), width, height);
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
        host::ImageBuffer image(job.window().width(), job.window().height());
        host::ProgressBar bar(stderr, !quiet && isatty(fileno(stderr)));
        const host::RenderStats stats =
            job.render(image, &gStop, [&](int done, int total) { bar.update(done, total); });
        bar.finish();
        if (stats.threads < settings.threads)
            std::fprintf(stderr,
                         "orv-render: warning: the system started %d of the %d render threads "
                         "asked for; the render ran on those\n",
                         stats.threads, settings.threads);

        // Printed even with -q, as the scene's warnings are: the picture is not what was asked.
        if (stats.nonFinite.count > 0)
            std::fprintf(stderr,
                         "orv-render: warning: %llu camera sample%s gave a NaN or infinite colour, "
                         "rendered black; the first at %s\n",
                         static_cast<unsigned long long>(stats.nonFinite.count),
                         stats.nonFinite.count == 1 ? "" : "s",
                         host::sampleText(stats.nonFinite.first).c_str());

        if (stats.stopped) {
            std::fprintf(stderr, "orv-render: stopped; %s left as it was\n", output.c_str());
            return 130;
        }
        if (!quiet) {
            const double s = std::max(stats.seconds, 1e-9);
            std::fprintf(stderr, "orv-render: done in %.2f s: %s samples (%s/s), %s rays (%s/s)\n",
                         stats.seconds, si(double(stats.samples)).c_str(),
                         si(stats.samples / s).c_str(), si(double(stats.rays)).c_str(),
                         si(stats.rays / s).c_str());
            std::fprintf(stderr, "orv-render: writing %s\n", output.c_str());
        }
        file.write(image, host::renderFacts(job, stats, scenePath));
        std::fprintf(stderr, "orv-render: wrote %s\n", output.c_str());
    } catch (const host::SceneError& e) {
        std::cerr << e.what() << "\n"
                  << "orv-render: " << e.problems.size()
                  << (e.problems.size() == 1 ? " problem" : " problems")
                  << " in the scene; nothing rendered\n";
        return 1;
    } catch (const host::HostError& e) {
        std::cerr << "orv-render: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "orv-render: out of memory; nothing written\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "orv-render: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
