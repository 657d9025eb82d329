// "Did you mean ...?" for misspelt type and parameter names, and names kept short in messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "universe/diagnostics.h"  // kMaxShownName

namespace host {

/// Names longer than this are neither suggested nor given suggestions: nobody misspells a name
/// that long, and comparing them would cost the square of their length.
constexpr size_t kMaxSuggestedName = 64;

/// The candidate nearest to `name` by edit distance (case-insensitive), when it is within a
/// third of the name's length (at least 2 edits); empty otherwise. Bounded work whatever the
/// candidates: those whose length alone puts them out of reach are skipped, and the search
/// stops after a fixed number of compared characters, answering the best found so far.
std::string closestName(std::string_view name, const std::vector<std::string>& candidates);

/// `message` with every span in single quotes (an opening quote after a space, a parenthesis or
/// the start, up to the next quote) longer than kMaxShownName cut to that and "...": a name of
/// a megabyte would otherwise be printed whole, in every message naming it.
std::string shortenQuotedNames(std::string message);

}  // namespace host
