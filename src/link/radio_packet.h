#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kaviro {

// The 2.4G adapter's unit: 15 data bytes and, in byte 15, how many of them are valid (1 to 15).
inline constexpr size_t kPacketSize = 16;
inline constexpr size_t kPacketData = 15;
using RadioPacket = std::array<uint8_t, kPacketSize>;

// One packet holding a frame of at most 15 bytes; the count byte is the frame length.
RadioPacket PackRequest(std::span<const uint8_t> frame);

// A frame of any length cut into packets: full 15-byte packets, then the remainder.
std::vector<RadioPacket> PackFrame(std::span<const uint8_t> frame);

// Bytes to wait for when a plain answer of n bytes is expected: whole packets. (Counted in full:
// kept in 8 bits, an answer of 226 bytes or more would seem to need no packet at all.)
int PacketsFor(int n);

// Result of joining a packet stream: the plain bytes, or an error text for the user.
struct Unpacked {
  std::vector<uint8_t> plain;
  std::string error;
  bool ok() const { return error.empty(); }
};

// The general routine: every packet contributes its counted bytes.
Unpacked UnpackAnswer(std::span<const uint8_t> stream);

// The poll's stricter routine: all but the last packet give 15 bytes, the joined length must be
// `expected`; `mismatchFormat` takes (expected, joined).
Unpacked UnpackPollAnswer(std::span<const uint8_t> stream, int expected, const char* mismatchFormat);

// The log reader's routine: its own texts, no expected length.
Unpacked UnpackLogAnswer(std::span<const uint8_t> stream);

namespace radio_text {
inline constexpr const char* kNotWholePackets = "数据个数不能被16整除";
inline constexpr const char* kBadCount = "包有效数据个数不在1~15范围内";
inline constexpr const char* kPollNotWholePackets = "读回来的数据不是16的整数倍,m_count=%d";
inline constexpr const char* kPollBadLastCount = "最后1包数据长度不正确=%d,应该在1~15";
inline constexpr const char* kLogNotWholePackets = "数据个数不能被16整除=%d";
inline constexpr const char* kLogBadCount = "数据包不完整，即不能被16整除!";
}  // namespace radio_text

}  // namespace kaviro
