#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/link_service.h"
#include "tools/console/console_link.h"

namespace kaviro {

// The five identification objects in their order: vendor name, product code, hardware version,
// software version, serial number. Texts here are UTF-8; on the wire they are GBK.
inline constexpr size_t kIdentificationObjects = 5;
using IdentificationTexts = std::array<std::string, kIdentificationObjects>;

struct IdentificationField {
  const char* name;      // as the command line names it
  size_t bytes;          // the most GBK bytes it may have, or exactly that many
  bool exact;
  const char* refusal;   // shown under kIdentificationCaption
};

inline constexpr IdentificationField kIdentificationFields[kIdentificationObjects] = {
    {"vendor", 15, false, "VendorName 最长15个字节"},
    {"product", 15, false, "Product Code 最长15个字节"},
    {"hw", 15, false, "硬件版本 最长15个字节"},
    {"sw", 15, false, "软件版本 最长15个字节"},
    {"serial", 8, true, "设备ID 必须8个字节"},
};
inline constexpr const char* kIdentificationCaption = "格式错误";

// 2B 0E 01 00: the objects from 0x00 on.
RtuFrame IdentificationRequest(uint8_t unit);

struct IdentificationAnswer {
  std::string answerText;                      // the bytes as the answer box shows them
  std::optional<IdentificationTexts> objects;  // when the answer passed its checks
};

// The handler: `count` counts the answer with its CRC (on the network two places that did not
// travel). Objects are taken in order and bounded by what arrived: one whose length runs past
// the end is cut there, the ones after it are empty.
IdentificationAnswer HandleDeviceIdentification(std::span<const uint8_t> bytes, int count, bool network);

// Serial and wireless answers must come from `unit`, the device the request went to (the
// configured address would make a read aimed at another device never succeed); on the network
// any answer with the right transaction id is taken. Ok once the objects passed; the value is
// the answer to show whenever there is one.
Result<IdentificationAnswer> ReadIdentification(LinkService& link, LinkMode mode, uint8_t unit);

// 2B 0E 02 00 N 00 K, then id, length and text of each non-empty field; lengths in GBK bytes.
Result<RtuFrame> BuildIdentificationUpdate(uint8_t unit, const IdentificationTexts& texts);
// The command line's write: sent, read back, and every field that was given compared.
Result<IdentificationTexts> SetIdentificationVerified(LinkService& link, LinkMode mode, uint8_t unit,
                                                      const RtuFrame& write, const IdentificationTexts& texts);

}  // namespace kaviro
