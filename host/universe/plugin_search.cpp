#include "universe/plugin_search.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

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

/// The node type names a module's NodeLoader offers, read without registering anything.
std::vector<std::string> offeredTypes(NodeLoaderFn loader) {
    std::vector<std::string> names;
    for (int index = 0; index < 4096; ++index) {
        NodeDescriptor descriptor{};
        if (!loader(index, &descriptor)) break;
        if (descriptor.name) names.push_back(descriptor.name);
    }
    return names;
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

std::vector<std::string> loadSearchPathPlugins(NodeTypeRegistry& registry, const WarningFn& warn) {
    const char* pathList = std::getenv("ORV_PLUGIN_PATH");
    if (!pathList || !*pathList) return {};
    std::set<std::string> loaded;
    for (const NodeType* type : registry.all()) loaded.insert(canonical(type->source));

    std::vector<std::string> modules;
    for (const std::string& path : modulesOnPath(pathList)) {
        if (!loaded.insert(canonical(path)).second) continue;
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* why = dlerror();
            warn("cannot load plug-in '" + path + "': " + (why ? why : "unknown error") +
                 "; skipped");
            continue;
        }
        auto loader = reinterpret_cast<NodeLoaderFn>(dlsym(module, "NodeLoader"));
        if (!loader) {  // a support library beside the plug-ins, not one of them
            dlclose(module);
            continue;
        }
        for (const std::string& name : offeredTypes(loader))
            if (const NodeType* taken = registry.find(name))
                throw HostError("node type '" + name + "' is offered by both '" + taken->source +
                                "' and '" + path + "'");
        try {
            loadPlugin(registry, path);
            modules.push_back(path);
        } catch (const HostError& e) {
            warn(std::string(e.what()) + "; skipped");
        }
    }
    return modules;
}

}  // namespace host
