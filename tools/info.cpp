// orv-info: the node types a plug-in offers and their parameters, as text, JSON or Markdown.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <fstream>
#include <iostream>

#include "command_line.h"
#include "universe/host_error.h"
#include "universe/node_type_report.h"
#include "universe/plugin_loader.h"
#include "universe/plugin_search.h"
#include "universe/text_file.h"
#include "universe/universe.h"

int main(int argc, char** argv) {
    tools::reportBrokenPipes();
    CLI::App app{"List the node types of a shader plug-in and their parameters."};
    std::string plugin;
    std::string format = "text";
    std::string updateDoc, checkDoc;
    app.add_option("plugin", plugin,
                   "plug-in module (default: the bundled one, then those on ORV_PLUGIN_PATH)");
    app.add_option("-f,--format", format, "text, json or markdown")
        ->check(CLI::IsMember({"text", "json", "markdown"}))
        ->capture_default_str();
    app.add_option("--update-doc", updateDoc,
                   "rewrite the generated parameter tables of a Markdown document in place");
    app.add_option("--check-doc", checkDoc,
                   "exit 1 when a Markdown document's generated tables are out of date");
    if (const auto stop = tools::parseCommandLine(app, argc, argv, "orv-info")) return *stop;

    try {
        host::Universe universe;
        const bool bundled = plugin.empty();
        if (bundled) plugin = host::defaultPluginPath();
        universe.loadPlugin(plugin);
        std::vector<std::string> sources{plugin};
        // The generated reference documents the bundled module alone.
        if (bundled && checkDoc.empty() && updateDoc.empty())
            for (const std::string& module :
                 host::loadSearchPathPlugins(universe.registry(), [](const std::string& warning) {
                     std::cerr << "warning: " << warning << "\n";
                 }))
                sources.push_back(module);
        std::vector<const host::NodeType*> types;
        for (const host::NodeType* type : universe.registry().all())
            if (std::find(sources.begin(), sources.end(), type->source) != sources.end())
                types.push_back(type);

        if (!checkDoc.empty()) {
            const std::string current = host::readTextFile(checkDoc);
            if (host::updateDocument(current, types) != current) {
                std::cerr << "orv-info: " << checkDoc
                          << " is out of date; run orv-info --update-doc " << checkDoc << "\n";
                return 1;
            }
            return 0;
        }
        if (!updateDoc.empty()) {
            const std::string updated = host::updateDocument(host::readTextFile(updateDoc), types);
            const std::string temporary = updateDoc + ".tmp";
            // Only a document written whole replaces the old one.
            std::ofstream out(temporary, std::ios::binary);
            out << updated;
            out.close();
            if (!out || std::rename(temporary.c_str(), updateDoc.c_str()) != 0) {
                std::remove(temporary.c_str());
                throw host::HostError("cannot write '" + updateDoc + "'");
            }
            return 0;
        }
        if (format == "json") {
            std::cout << host::describeJson(types);
        } else if (format == "markdown") {
            for (size_t i = 0; i < types.size(); ++i)
                std::cout << "## " << types[i]->name << "\n\n"
                          << host::describeMarkdown(*types[i], static_cast<int>(i)) << "\n";
        } else {
            std::cout << host::describeText(types);
        }
        if (!tools::outputWritten("orv-info")) return 1;
    } catch (const host::HostError& e) {
        std::cerr << "orv-info: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "orv-info: out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "orv-info: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
