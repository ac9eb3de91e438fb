#pragma once
// PNG copies of the icon for desktops that look up icons by theme.
#include <filesystem>

#include "tools/make_assets/byte_writer.h"
#include "tools/make_assets/image.h"

namespace brevolt::assets {

// An RGBA PNG, keeping straight alpha exactly.
Bytes EncodePng(const Image& image);
void WritePngFile(const Image& image, const std::filesystem::path& path);

}  // namespace brevolt::assets
