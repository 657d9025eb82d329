// orv-info: the node types a plug-in offers and their parameters, as text, JSON or Markdown.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

#include "builtin/host_node_types.h"
#include "command_line.h"
#include "universe/file_replacement.h"
#include "universe/host_error.h"
#include "universe/node_type_report.h"
#include "universe/plugin_loader.h"
#include "universe/plugin_search.h"
#include "universe/text_file.h"
#include "universe/universe.h"

int main(int argc, char** argv) {
    tools::beginTool();
    CLI::App app{
        "List the node types of a shader plug-in and the host's own, with their parameters."};
    std::string plugin;
    std::string format = "text";
    std::string updateDoc, checkDoc;
    app.add_option("plugin", plugin,
                   "plug-in module (default: the bundled one, then those on ORV_PLUGIN_PATH)");
    app.add_option("-f,--format", format, "text, json or markdown")
        ->check(CLI::IsMember({"text", "json", "markdown"}))
        ->capture_default_str();
    tools::addNameOption(app, "--update-doc", updateDoc,
                         "rewrite the generated parameter tables of a Markdown document in place");
    tools::addNameOption(app, "--check-doc", checkDoc,
                         "exit 1 when a Markdown document's generated tables are out of date");
    if (const auto stop = tools::parseCommandLine(app, argc, argv, "orv-info")) return *stop;

    try {
        host::Universe universe;
        host::registerHostNodeTypes(universe.registry());
        const bool bundled = plugin.empty();
        if (bundled) plugin = host::defaultPluginPath();
        universe.loadPlugin(plugin);
        std::vector<std::string> sources{plugin};
        // The generated reference documents the bundled module alone.
        if (bundled && checkDoc.empty() && updateDoc.empty())
            for (const std::string& module : host::loadSearchPathPlugins(universe.registry()))
                sources.push_back(module);
        tools::DiagnosticsPrinter("orv-info").print();
        // The plug-ins' types, then the host's own that scenes combine them with.
        std::vector<const host::NodeType*> types;
        for (const host::NodeType* type : universe.registry().all())
            if (std::find(sources.begin(), sources.end(), type->source) != sources.end())
                types.push_back(type);
        for (const host::NodeType* type : universe.registry().all())
            if (type->source == "built-in") types.push_back(type);

        if (!checkDoc.empty()) {
            const std::string current = host::readTextFile(checkDoc);
            if (host::updateDocument(current, types) != current) {
                tools::say("orv-info",
                           checkDoc + " is out of date; run orv-info --update-doc " + checkDoc);
                return 1;
            }
            return 0;
        }
        if (!updateDoc.empty()) {
            // Written as images are: the document is replaced whole or not at all, through a
            // link where DOC is one.
            host::FileReplacement file(updateDoc);
            file.commit(host::updateDocument(host::readTextFile(updateDoc), types));
            return 0;
        }
        if (format == "json") return tools::writeOutput("orv-info", host::describeJson(types));
        std::string text;
        if (format == "markdown") {
            for (size_t i = 0; i < types.size(); ++i)
                text += "## " + types[i]->name + "\n\n" +
                        host::describeMarkdown(*types[i],
                                               static_cast<int>(host::indexInSource(types, i))) +
                        "\n";
        } else {
            text = host::describeText(types);
        }
        return tools::writeOutput("orv-info", host::printable(text, true));
    } catch (const host::HostError& e) {
        tools::say("orv-info", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        tools::say("orv-info", "out of memory");
        return 1;
    } catch (const std::exception& e) {
        tools::say("orv-info", e.what());
        return 1;
    }
}
