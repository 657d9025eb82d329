#include "scene/json_location.h"

#include <algorithm>

namespace host {

TextLocation locateOffset(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    TextLocation at{1, 1};
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++at.line;
            at.column = 1;
        } else {
            ++at.column;
        }
    }
    return at;
}

}  // namespace host
