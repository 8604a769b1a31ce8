// Makes a map that two renderers draw differently smaller while they still
// do: drops optional elements (layers, objects, tiles, tile sets, chunks,
// frames) and attributes of the map and of the tile sets and templates beside it,
// turns tile data into CSV and clears cells, keeping each step only when
// the fault remains.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace scenetest {

// The kind of difference a folder's map shows ("" none).
using MapCheck = std::function<std::string(const std::filesystem::path& folder)>;

// Shrinks the files of folder in place while check gives the same kind as
// at first; returns how many steps were kept.
int shrinkMap(const std::filesystem::path& folder, const MapCheck& check);

} // namespace scenetest
