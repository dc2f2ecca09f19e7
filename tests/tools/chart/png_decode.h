#pragma once
// Reads back the PNG files the chart writer makes (8-bit RGB, unfiltered rows), checking every
// field and CRC on the way, so a test compares pixels rather than trusting the writer.
#include <zlib.h>

#include <cstdint>
#include <string>

#include "tools/chart/rgb_image.h"

namespace kaviro::testing {

struct DecodedPng {
  std::string error;  // empty when the file was read whole
  chart::RgbImage image;
};

inline uint32_t Read32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

inline DecodedPng DecodePng(const std::string& bytes) {
  DecodedPng out;
  auto fail = [&](std::string why) {
    out.error = std::move(why);
    return out;
  };
  if (bytes.compare(0, 8, "\x89PNG\r\n\x1A\n", 8) != 0) return fail("no PNG signature");
  std::string packed;
  bool header = false, ended = false;
  for (size_t at = 8; at < bytes.size();) {
    if (ended) return fail("bytes after IEND");
    if (at + 12 > bytes.size()) return fail("chunk cut short");
    const uint32_t length = Read32(bytes, at);
    if (at + 12 + length > bytes.size()) return fail("chunk cut short");
    const std::string type = bytes.substr(at + 4, 4), data = bytes.substr(at + 8, length);
    const auto* covered = reinterpret_cast<const Bytef*>(bytes.data() + at + 4);
    if (crc32(0, covered, length + 4) != Read32(bytes, at + 8 + length)) return fail(type + " CRC wrong");
    if (!header && type != "IHDR") return fail("first chunk " + type);
    if (type == "IHDR") {
      if (header || length != 13) return fail("IHDR repeated or not 13 bytes");
      header = true;
      out.image.width = static_cast<int>(Read32(data, 0));
      out.image.height = static_cast<int>(Read32(data, 4));
      if (data.substr(8) != std::string("\x08\x02\x00\x00\x00", 5)) return fail("not 8-bit RGB, plain, progressive");
    } else if (type == "IDAT") {
      packed += data;
    } else if (type == "IEND") {
      ended = true;
    } else {
      return fail("unexpected chunk " + type);
    }
    at += 12 + length;
  }
  if (!ended) return fail("no IEND");
  const size_t rowBytes = static_cast<size_t>(out.image.width) * 3;
  std::string raw((rowBytes + 1) * static_cast<size_t>(out.image.height), '\0');
  uLongf rawSize = raw.size();
  if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize, reinterpret_cast<const Bytef*>(packed.data()),
                 packed.size()) != Z_OK || rawSize != raw.size())
    return fail("IDAT does not inflate to the picture's rows");
  for (size_t y = 0; y < static_cast<size_t>(out.image.height); ++y) {
    const size_t row = y * (rowBytes + 1);
    if (raw[row] != 0) return fail("row " + std::to_string(y) + " filtered");
    out.image.rgb.insert(out.image.rgb.end(), raw.begin() + static_cast<long>(row) + 1,
                         raw.begin() + static_cast<long>(row + 1 + rowBytes));
  }
  return out;
}

}  // namespace kaviro::testing
