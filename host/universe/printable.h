// Text from files and plug-ins made safe to print on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace host {

/// `text` with every control character written out: \n, \r and \t as such, other C0 bytes and
/// DEL as \xHH, C1 controls (U+0080 to U+009F) as \u00HH, and bytes that are not UTF-8 as \xHH.
/// A name holding escape sequences then cannot retitle the terminal, recolour it or forge a
/// message line. With `keepNewlines`, '\n' stays, for text of many lines.
std::string printable(std::string_view text, bool keepNewlines = false);

}  // namespace host
