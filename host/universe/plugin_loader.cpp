#include "universe/plugin_loader.h"

#include <dlfcn.h>

#include <string_view>

#include "universe/host_error.h"
#include "universe/plugin_search.h"

namespace host {

namespace {
// A loader that never stops would hang the host; no real plug-in offers this many types.
constexpr int kMaxNodeTypesPerPlugin = 4096;
}  // namespace

std::vector<std::string> loadPlugin(NodeTypeRegistry& registry, const std::string& path) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        throw HostError("cannot load plug-in '" + path + "': " + (why ? why : "unknown error"));
    }
    dlerror();
    auto loader = reinterpret_cast<NodeLoaderFn>(dlsym(module, "NodeLoader"));
    if (!loader) {
        dlclose(module);
        throw HostError("plug-in '" + path + "' has no NodeLoader entry");
    }
    std::vector<std::string> names;
    for (int index = 0; index < kMaxNodeTypesPerPlugin; ++index) {
        NodeDescriptor descriptor{};
        if (!loader(index, &descriptor)) break;
        descriptor.version[sizeof(descriptor.version) - 1] = '\0';
        const std::string version = descriptor.version;
        const std::string_view host = kHostVersion;
        if (version.substr(0, version.find('.')) != host.substr(0, host.find('.')))
            throw HostError("plug-in '" + path + "' was built for renderer version '" + version +
                            "', this host is " + kHostVersion);
        names.push_back(registry.add(descriptor, path).name);
    }
    return names;
}

std::string defaultPluginPath() {
    return hostLibraryDir() + "/orv_shaders.so";
}

}  // namespace host
