#pragma once
#include <string>

#include "tools/chart/rgb_image.h"

namespace kaviro::chart {

// The picture as a PNG file's bytes: 8-bit RGB, not interlaced, every row unfiltered.
// The picture is at least one pixel wide and high, as PNG requires.
std::string PngBytes(const RgbImage& image);

}  // namespace kaviro::chart
