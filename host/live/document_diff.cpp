#include "live/document_diff.h"

#include <string>

namespace host {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

const ordered_json kNone = nullptr;

const ordered_json& sectionOf(const ordered_json& document, const char* section) {
    return document.is_object() && document.contains(section) ? document[section] : kNone;
}

/// The name an entry is shown and matched by: its "name", else its place ("objects[2]").
std::string entryName(const ordered_json& entry, const char* section, size_t index) {
    if (entry.is_object() && entry.contains("name") && entry["name"].is_string())
        return entry["name"].get<std::string>();
    return std::string(section) + "[" + std::to_string(index) + "]";
}

void compareBodies(json& entries, const char* section, const std::string& name,
                   const ordered_json& disk, const ordered_json& session) {
    if (!disk.is_object() || !session.is_object()) {
        if (disk != session)
            entries.push_back(
                {{"section", section}, {"name", name}, {"disk", disk}, {"session", session}});
        return;
    }
    for (auto it = disk.begin(); it != disk.end(); ++it) {
        const ordered_json& now = session.contains(it.key()) ? session[it.key()] : kNone;
        if (now != it.value())
            entries.push_back({{"section", section},
                               {"name", name},
                               {"param", it.key()},
                               {"disk", it.value()},
                               {"session", now}});
    }
    for (auto it = session.begin(); it != session.end(); ++it)
        if (!disk.contains(it.key()))
            entries.push_back({{"section", section},
                               {"name", name},
                               {"param", it.key()},
                               {"disk", nullptr},
                               {"session", it.value()}});
}

void compareLists(json& entries, const char* section, const ordered_json& disk,
                  const ordered_json& session) {
    auto byName = [&](const ordered_json& list, const std::string& name) -> const ordered_json& {
        if (list.is_array())
            for (size_t i = 0; i < list.size(); ++i)
                if (entryName(list[i], section, i) == name) return list[i];
        return kNone;
    };
    if (disk.is_array())
        for (size_t i = 0; i < disk.size(); ++i) {
            const std::string name = entryName(disk[i], section, i);
            const ordered_json& now = byName(session, name);
            if (now.is_null())
                entries.push_back({{"section", section},
                                   {"name", name},
                                   {"disk", disk[i]},
                                   {"session", nullptr}});
            else
                compareBodies(entries, section, name, disk[i], now);
        }
    if (session.is_array())
        for (size_t i = 0; i < session.size(); ++i) {
            const std::string name = entryName(session[i], section, i);
            if (byName(disk, name).is_null())
                entries.push_back({{"section", section},
                                   {"name", name},
                                   {"disk", nullptr},
                                   {"session", session[i]}});
        }
}

}  // namespace

json documentDifferences(const ordered_json& disk, const ordered_json& session) {
    json entries = json::array();
    for (const char* section : {"options", "camera"})
        compareBodies(entries, section, section, sectionOf(disk, section),
                      sectionOf(session, section));
    for (const char* section : {"objects", "lights", "nodes"})
        compareLists(entries, section, sectionOf(disk, section), sectionOf(session, section));
    if (sectionOf(disk, "plugins") != sectionOf(session, "plugins"))
        entries.push_back({{"section", "plugins"},
                           {"name", "plugins"},
                           {"disk", sectionOf(disk, "plugins")},
                           {"session", sectionOf(session, "plugins")}});
    return {{"changed", !entries.empty()}, {"entries", entries}};
}

}  // namespace host
