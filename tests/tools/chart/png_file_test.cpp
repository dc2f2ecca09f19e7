// The PNG writer read back by an independent decoder, pixel for pixel.
#include <gtest/gtest.h>

#include "tools/chart/png_file.h"
#include "tools/chart/raster_chart.h"
#include "tools/chart/png_decode.h"

namespace kaviro::chart {
namespace {

RgbImage Pattern(int width, int height) {
  RgbImage image = RgbImage::Filled(width, height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.Set(x, y, static_cast<uint32_t>((x * 7919 + y * 104729) * 2654435761u));
  return image;
}

struct Picture {
  const char* name;
  RgbImage image;
};

class PngRoundTrip : public ::testing::TestWithParam<Picture> {};

TEST_P(PngRoundTrip, DecodesToThePicture) {
  const RgbImage& image = GetParam().image;
  const testing::DecodedPng png = testing::DecodePng(PngBytes(image));
  ASSERT_EQ(png.error, "");
  EXPECT_EQ(png.image.width, image.width);
  EXPECT_EQ(png.image.height, image.height);
  EXPECT_TRUE(png.image == image);
}

INSTANTIATE_TEST_SUITE_P(Png, PngRoundTrip,
                         ::testing::Values(Picture{"OnePixel", RgbImage::Filled(1, 1, 0x123456)},
                                           Picture{"Noise", Pattern(37, 11)}, Picture{"Tall", Pattern(1, 300)},
                                           Picture{"Chart", DrawChart(Chart{}, 640, 400)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Png, StartsWithTheSignatureAndHeaderAndEndsWithIend) {
  const std::string png = PngBytes(Pattern(300, 2));
  ASSERT_GT(png.size(), 8u + 25 + 12);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  EXPECT_EQ(png.substr(8, 8), std::string("\0\0\0\x0DIHDR", 8));
  EXPECT_EQ(png.substr(16, 13), std::string("\0\0\x01\x2C\0\0\0\x02\x08\x02\0\0\0", 13));
  EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
}

}  // namespace
}  // namespace kaviro::chart
