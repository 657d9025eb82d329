// orv-info: lists the node types of a plug-in and their parameters.
#include <CLI/CLI.hpp>
#include <iostream>

#include "universe/host_error.h"
#include "universe/plugin_loader.h"
#include "universe/universe.h"

int main(int argc, char** argv) {
    CLI::App app{"List the node types of a shader plug-in and their parameters"};
    std::string plugin = host::defaultPluginPath();
    app.add_option("plugin", plugin, "plug-in module")->capture_default_str();
    CLI11_PARSE(app, argc, argv);
    try {
        host::Universe universe;
        universe.loadPlugin(plugin);
        for (const host::NodeType* type : universe.registry().all()) {
            if (type->source != plugin) continue;
            std::cout << type->name << " (" << host::typeName(type->outputType) << ")\n";
            for (size_t i = 0; i < type->params.size(); ++i)
                std::cout << "  " << i << " " << type->params[i].name << " "
                          << host::typeName(type->params[i].defaultValue.type) << " "
                          << host::formatValue(type->params[i].defaultValue) << "\n";
        }
    } catch (const host::HostError& e) {
        std::cerr << "orv-info: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
