#include "universe/plugin_search.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "universe/diagnostics.h"
#include "universe/host_error.h"
#include "universe/plugin_loader.h"

namespace host {

namespace fs = std::filesystem;

namespace {

std::string canonical(const std::string& path) {
    std::error_code failed;
    const fs::path resolved = fs::canonical(path, failed);
    return failed ? path : resolved.string();
}

}  // namespace

std::string hostLibraryDir() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&hostLibraryDir), &info) || !info.dli_fname)
        throw HostError("cannot tell where the host library is installed");
    return fs::path(canonical(info.dli_fname)).parent_path().string();
}

std::string dataDir() {
    return (fs::path(hostLibraryDir()) / ORV_DATA_FROM_LIBRARY).lexically_normal().string();
}

std::vector<std::string> modulesOnPath(const std::string& pathList) {
    std::vector<std::string> modules;
    size_t start = 0;
    while (start <= pathList.size()) {
        size_t end = pathList.find(':', start);
        if (end == std::string::npos) end = pathList.size();
        const std::string folder = pathList.substr(start, end - start);
        start = end + 1;
        std::error_code failed;
        if (folder.empty() || !fs::is_directory(folder, failed)) continue;
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, failed))
            if (entry.path().extension() == ".so" && entry.is_regular_file(failed))
                found.push_back(entry.path().string());
        std::sort(found.begin(), found.end());
        modules.insert(modules.end(), found.begin(), found.end());
    }
    return modules;
}

std::vector<std::string> loadSearchPathPlugins(NodeTypeRegistry& registry) {
    const char* pathList = std::getenv("ORV_PLUGIN_PATH");
    if (!pathList || !*pathList) return {};
    std::vector<std::string> modules;
    for (const std::string& path : modulesOnPath(pathList)) {
        try {
            // A file already loaded, under this name or another, registers nothing again.
            if (!loadPlugin(registry, path).empty()) modules.push_back(path);
        } catch (const PluginConflict&) {
            throw;
        } catch (const HostError& e) {
            Where where;
            where.file = path;
            diagnostics().report(Severity::Warning, "module skipped: " + path, where,
                                 std::string(e.what()) + "; skipped");
        }
    }
    return modules;
}

}  // namespace host
