// Frame builders, CRC and acceptance rules against the bytes the controller documentation gives.
#include <gtest/gtest.h>

#include "link/acceptance.h"
#include "link/crc16.h"
#include "link/rtu_frame.h"
#include "link/text_format.h"

namespace kaviro {
namespace {

using Bytes = std::vector<uint8_t>;

std::string Hex(std::span<const uint8_t> b) { return HexBytes(b); }

TEST(Crc16, KnownFramesAndEmptyInput) {
  const struct { Bytes body; uint8_t lo, hi; } cases[] = {
      {{0x01, 0x04, 0x00, 0x00, 0x00, 0x5A}, 0x70, 0x31},
      {{0x01, 0x03, 0xE0, 0x00, 0x00, 0x1B}, 0x32, 0x01},
      {{0x01, 0x03, 0xE0, 0x80, 0x00, 0x4E}, 0xF3, 0xD6},
      {{0x01, 0x2B, 0x0E, 0x03, 0x01}, 0xB0, 0xD7},
  };
  for (const auto& c : cases) {
    const uint16_t crc = ComputeCrc16(c.body);
    EXPECT_EQ(crc & 0xFF, c.lo) << Hex(c.body);
    EXPECT_EQ(crc >> 8, c.hi) << Hex(c.body);
  }
  EXPECT_EQ(ComputeCrc16({}), 0xFFFF);
  // The published check value of CRC-16/MODBUS.
  const std::string check = "123456789";
  EXPECT_EQ(ComputeCrc16(std::span(reinterpret_cast<const uint8_t*>(check.data()), check.size())), 0x4B37);
}

struct BuilderCase {
  const char* what;
  RtuFrame frame;
  const char* wire;
};

TEST(RtuFrame, BuildersProduceTheDocumentedBytes) {
  const uint8_t lightTime[] = {0x00, 0x01, 0x04, 0x28};  // 18:30:00
  const BuilderCase cases[] = {
      {"poll block 1", ReadRegisters(1, fn::kReadInput, 0x0000, 90), "01 04 00 00 00 5A 70 31 "},
      {"poll block 2", ReadRegisters(1, fn::kReadHolding, 0xE000, 27), "01 03 E0 00 00 1B 32 01 "},
      {"poll block 3", ReadRegisters(1, fn::kReadHolding, 0xE080, 78), "01 03 E0 80 00 4E F3 D6 "},
      {"parameter read", ReadRegisters(1, fn::kReadInput, 0x0028, 1), "01 04 00 28 00 01 B1 C2 "},
      {"clock read", ReadRegisters(1, fn::kReadHolding, 0x003E, 2), "01 03 00 3E 00 02 A5 C7 "},
      {"console example", ReadRegisters(1, fn::kReadHolding, 0x0001, 5), "01 03 00 01 00 05 D4 09 "},
      {"MAC read", ReadRegisters(1, fn::kReadHolding, 0x3000, 3), "01 03 30 00 00 03 0A CB "},
      {"IP read", ReadRegisters(1, fn::kReadHolding, 0x3010, 8), "01 03 30 10 00 08 4A C9 "},
      {"wireless read", ReadRegisters(1, fn::kReadHolding, 0x3040, 9), "01 03 30 40 00 09 8B 18 "},
      {"address read", ReadRegisters(1, fn::kReadHolding, 0x0040, 1), "01 03 00 40 00 01 85 DE "},
      {"threshold probe", ReadRegisters(1, fn::kReadHolding, 0x2033, 2), "01 03 20 33 00 02 3F C4 "},
      {"load HVD write", WriteRegister(1, 0xE00E, 0x0514), "01 06 E0 0E 05 14 DC 96 "},
      {"address write", WriteRegister(1, 0x0040, 5), "01 06 00 40 00 05 48 1D "},
      {"lighting write", WriteRegisters(1, 0xE080, lightTime), "01 10 E0 80 00 02 04 00 01 04 28 61 15 "},
      {"identification read", ReadDeviceIdentification(1, 0x01, 0x00), "01 2B 0E 01 00 70 77 "},
      {"latest log record", ReadDeviceIdentification(1, 0x03, 0x01), "01 2B 0E 03 01 B0 D7 "},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(c.frame.Bytes()), c.wire) << c.what;
}

TEST(RtuFrame, CoilWriteCarriesFF00AndItsCrc) {
  const RtuFrame f = WriteCoil(1, 0x0014);
  ASSERT_EQ(f.size(), 8u);
  EXPECT_EQ(Hex(f.WithoutCrc()), "01 05 00 14 FF 00 ");
  EXPECT_TRUE(HasValidCrc(f.Bytes()));
}

Bytes Answer(Bytes body) {
  const RtuFrame f = RtuFrame::Seal(body);
  return {f.Bytes().begin(), f.Bytes().end()};
}

TEST(Acceptance, ReadRule) {
  const Bytes good = Answer({0x01, 0x03, 0x04, 0x00, 0x0A, 0x00, 0x0B});
  Bytes swapped = good;
  std::swap(swapped[7], swapped[8]);
  Bytes otherFunction = Answer({0x01, 0x04, 0x04, 0x00, 0x0A, 0x00, 0x0B});
  const struct { const char* what; Bytes answer; uint8_t unit; bool accepted; } cases[] = {
      {"good answer", good, 1, true},
      {"CRC bytes swapped", swapped, 1, false},
      {"other device", good, 2, false},
      {"byte count off", Answer({0x01, 0x03, 0x06, 0x00, 0x0A, 0x00, 0x0B}), 1, false},
      {"function not checked", otherFunction, 1, true},
      {"exception with code 0 passes the count", Answer({0x01, 0x83, 0x00}), 1, true},
      {"exception with code 2 fails the count", Answer({0x01, 0x83, 0x02}), 1, false},
      {"too short to judge", Bytes{0x01, 0x03}, 1, false},
  };
  for (const auto& c : cases) EXPECT_EQ(AcceptsRead(c.answer, c.unit), c.accepted) << c.what;
}

TEST(Acceptance, EchoAndByteCount) {
  const RtuFrame request = WriteCoil(1, 0x0000);
  const Bytes echo(request.Bytes().begin(), request.Bytes().end());
  Bytes changed = echo;
  changed[4] = 0x00;
  EXPECT_TRUE(AcceptsEcho(echo, request.Bytes()));
  EXPECT_FALSE(AcceptsEcho(changed, request.Bytes()));
  EXPECT_FALSE(AcceptsEcho(std::span(echo).first(7), request.Bytes()));

  const Bytes poll = {0x01, 0x04, 0xB4};
  EXPECT_TRUE(AcceptsByteCount(poll, 185));
  EXPECT_FALSE(AcceptsByteCount(poll, 184));
}

}  // namespace
}  // namespace kaviro
