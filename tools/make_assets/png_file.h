#pragma once
// PNG copies of the icon for desktops that look up icons by theme.
#include <filesystem>

#include "tools/make_assets/image.h"

namespace brevolt::assets {

// Writes an RGBA PNG, keeping straight alpha exactly.
void WritePngFile(const Image& image, const std::filesystem::path& path);

}  // namespace brevolt::assets
