// A film's channel as a PNG for a page to show: tone-mapped by an exposure, sRGB, 8-bit.
#pragma once

#include <string>
#include <vector>

#include "render/film.h"

namespace host {

/// "beauty", then the film's channel groups in its order: a light's name ("key"), "unlit",
/// "key_unfiltered", "albedo", "N", "Z", "id".
std::vector<std::string> filmChannels(const Film& film);

/// The PNG of `channel` (one of filmChannels) times 2^`exposure`: a group of three channels as
/// red, green and blue, one channel as grey. Throws HostError for a channel the film lacks.
std::string filmPng(const Film& film, const std::string& channel, float exposure);

}  // namespace host
