#include "universe/plugin_loader.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>

#include "universe/host_error.h"
#include "universe/module_file.h"
#include "universe/plugin_search.h"

namespace host {

namespace fs = std::filesystem;

namespace {

// A loader that never stops would hang the host; no real plug-in offers this many types.
constexpr int kMaxNodeTypesPerPlugin = 4096;

// Keys a node's entry in a scene file uses for itself, which no parameter can be read from.
constexpr const char* kReservedNames[] = {"type", "name"};

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

/// Whether a module that registered types in `registry` is the file `file`, by device and inode,
/// so that a link or another spelling of the path is the same module.
bool alreadyLoaded(const NodeTypeRegistry& registry, const struct stat& file) {
    std::set<std::string> modules;
    for (const NodeType* type : registry.all()) {
        if (type->source == "built-in" || !modules.insert(type->source).second) continue;
        struct stat loaded {};
        if (stat(type->source.c_str(), &loaded) == 0 && sameFile(loaded, file)) return true;
    }
    return false;
}

/// Refuses a parameter table the scene reader could not fill: a parameter without a name, one
/// named twice, or one named as the scene format's own keys.
void checkParameters(const NodeType& type, const std::string& path) {
    const std::string where = "plug-in '" + path + "': node type '" + type.name + "'";
    std::set<std::string> seen;
    for (size_t i = 0; i < type.params.size(); ++i) {
        const std::string& name = type.params[i].name;
        if (name.empty())
            throw HostError(where + ": parameter " + std::to_string(i) + " has no name");
        for (const char* reserved : kReservedNames)
            if (name == reserved)
                throw HostError(where + ": parameter '" + name +
                                "' is a name scene files keep for the node itself");
        if (!seen.insert(name).second)
            throw HostError(where + ": parameter '" + name + "' is declared twice");
    }
}

}  // namespace

std::vector<std::string> loadPlugin(NodeTypeRegistry& registry, const std::string& path) {
    if (path.empty()) throw HostError("a plug-in path is empty");
    // With no slash in it, dlopen would search the system's library path for the name.
    std::error_code failed;
    const std::string file = fs::absolute(path, failed).lexically_normal().string();
    const FileDescriptor fd(open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (fd.get() < 0 || fstat(fd.get(), &status) != 0)
        throw HostError("cannot load plug-in '" + path + "': " + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw HostError("cannot load plug-in '" + path +
                        "': " + (S_ISDIR(status.st_mode) ? "is a folder" : "not a regular file"));
    if (alreadyLoaded(registry, status)) return {};
    const std::string why =
        whyNotAPlugin(fd.get(), static_cast<uint64_t>(status.st_size), thisMachine());
    if (!why.empty()) throw HostError("'" + path + "' is not a plug-in: " + why);

    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        throw HostError("cannot load plug-in '" + path +
                        "': " + (reason ? reason : "unknown error"));
    }
    dlerror();
    auto loader = reinterpret_cast<NodeLoaderFn>(dlsym(module, "NodeLoader"));
    if (!loader) {
        dlclose(module);
        throw HostError("plug-in '" + path + "' has no NodeLoader entry");
    }

    // Every type is offered and checked before any registers, so that a module is taken whole
    // or not at all.
    std::vector<NodeDescriptor> offered;
    for (int index = 0; index < kMaxNodeTypesPerPlugin; ++index) {
        NodeDescriptor descriptor{};
        if (!loader(index, &descriptor)) break;
        descriptor.version[sizeof(descriptor.version) - 1] = '\0';
        const std::string version = descriptor.version;
        const std::string_view host = kHostVersion;
        if (version.substr(0, version.find('.')) != host.substr(0, host.find('.'))) {
            dlclose(module);
            throw HostError("plug-in '" + path + "' was built for renderer version '" + version +
                            "', this host is " + kHostVersion);
        }
        if (descriptor.name)
            if (const NodeType* taken = registry.find(descriptor.name)) {
                const std::string name = descriptor.name;
                dlclose(module);
                throw PluginConflict("node type '" + name + "' is offered by both '" +
                                     taken->source + "' and '" + path + "'");
            }
        offered.push_back(descriptor);
    }
    const size_t before = registry.all().size();
    std::vector<std::string> names;
    try {
        for (const NodeDescriptor& descriptor : offered) {
            const NodeType& type = registry.add(descriptor, path);
            checkParameters(type, path);
            names.push_back(type.name);
        }
    } catch (...) {
        registry.removeAfter(before);
        dlclose(module);
        throw;
    }
    return names;
}

std::string defaultPluginPath() {
    return hostLibraryDir() + "/orv_shaders.so";
}

}  // namespace host
