#include "tools/chart/png_file.h"

#include <zlib.h>

#include <cstdint>
#include <new>

namespace kaviro::chart {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1A\n";
constexpr uint8_t kBitDepth = 8, kColourTypeRgb = 2, kFilterNone = 0;

void Put32(std::string& out, uint32_t v) {
  for (int shift : {24, 16, 8, 0}) out += static_cast<char>(v >> shift);
}

// Length, type, data, and the CRC over type and data.
void Chunk(std::string& out, const char (&type)[5], const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.append(type, 4);
  out += data;
  const auto* crcd = reinterpret_cast<const Bytef*>(out.data() + typeAt);
  Put32(out, static_cast<uint32_t>(crc32(0, crcd, static_cast<uInt>(out.size() - typeAt))));
}

}  // namespace

std::string PngBytes(const RgbImage& image) {
  std::string header;
  Put32(header, static_cast<uint32_t>(image.width));
  Put32(header, static_cast<uint32_t>(image.height));
  header += {static_cast<char>(kBitDepth), static_cast<char>(kColourTypeRgb), 0, 0, 0};

  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  std::string raw;
  raw.reserve((rowBytes + 1) * static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    raw += static_cast<char>(kFilterNone);
    raw.append(reinterpret_cast<const char*>(image.rgb.data()) + rowBytes * static_cast<size_t>(y), rowBytes);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
    throw std::bad_alloc();  // with a buffer of compressBound, memory is all it can lack
  packed.resize(packedSize);

  std::string png(kSignature, sizeof kSignature - 1);
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace kaviro::chart
