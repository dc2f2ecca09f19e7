#pragma once
#include <cstdint>
#include <vector>

namespace kaviro::chart {

// A picture as three bytes a pixel (red, green, blue), rows from the top. Writes outside it are
// dropped, so whatever draws into it cannot reach past its end.
struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  static RgbImage Filled(int width, int height, uint32_t colour) {
    RgbImage image{width, height, {}};
    image.rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (int i = 0; i < width * height; ++i)
      for (int shift : {16, 8, 0}) image.rgb.push_back(static_cast<uint8_t>(colour >> shift));
    return image;
  }

  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  // 0xRRGGBB; outside the picture, 0.
  uint32_t At(int x, int y) const {
    if (!Inside(x, y)) return 0;
    const uint8_t* p = &rgb[Offset(x, y)];
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
  }

  void Set(int x, int y, uint32_t colour) {
    if (!Inside(x, y)) return;
    uint8_t* p = &rgb[Offset(x, y)];
    p[0] = static_cast<uint8_t>(colour >> 16);
    p[1] = static_cast<uint8_t>(colour >> 8);
    p[2] = static_cast<uint8_t>(colour);
  }

  bool operator==(const RgbImage&) const = default;

 private:
  size_t Offset(int x, int y) const { return (static_cast<size_t>(y) * width + x) * 3; }
};

}  // namespace kaviro::chart
