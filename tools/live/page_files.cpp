#include "page_files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tools::live {

std::vector<PageFile> readPageFiles(const std::string& folder) {
    const struct {
        const char* route;
        const char* file;
        const char* type;
    } kFiles[] = {{"/", "index.html", "text/html; charset=utf-8"},
                  {"/live.css", "live.css", "text/css; charset=utf-8"},
                  {"/live.js", "live.js", "text/javascript; charset=utf-8"}};
    std::vector<PageFile> files;
    for (const auto& entry : kFiles) {
        const std::string path = folder + "/" + entry.file;
        std::ifstream in(path, std::ios::binary);
        if (!in.is_open()) throw std::runtime_error("cannot read the page's file " + path);
        std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (in.bad()) throw std::runtime_error("cannot read the page's file " + path);
        files.push_back({entry.route, entry.type, std::move(text)});
    }
    return files;
}

}  // namespace tools::live
