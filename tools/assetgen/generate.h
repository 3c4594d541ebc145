// Draws and synthesises every asset of the game and writes the files into a folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace prismcrate::assetgen {

// The icon sizes written as icons/prismcrate-<size>.png.
inline constexpr int kIconSizes[] = {16, 32, 48, 256};

// Writes tiles1.bmp, tiles2.bmp, palette.bmp, about.bmp, the five cues and the icons into
// `dir` (made if missing) and returns the paths written, relative to `dir`. Throws
// std::runtime_error when a file cannot be written.
std::vector<std::string> generateAssets(const std::filesystem::path& dir);

}  // namespace prismcrate::assetgen
