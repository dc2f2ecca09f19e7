#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/frame_record.h"

namespace kaviro::diag {

// One packet of a pcapng capture with what its interface and options say of it.
struct CapturedPacket {
  uint16_t linkType;
  uint64_t timeUs;  // since the epoch
  std::optional<FrameDirection> direction;
  std::vector<uint8_t> data;
};

struct Capture {
  std::vector<uint16_t> interfaces;  // link type per interface id
  std::vector<CapturedPacket> packets;
  bool truncated = false;  // the file ended inside a block
};

// Reads a little-endian pcapng file; nothing when it is none.
std::optional<Capture> ReadCapture(const std::string& path);
std::optional<Capture> ParseCapture(std::span<const uint8_t> bytes);

// The TCP segment inside an Ethernet/IPv4 frame, checksums checked.
struct TcpSegment {
  uint32_t sourceIp, destinationIp;
  uint16_t sourcePort, destinationPort;
  uint32_t seq, ack;
  bool checksumsRight;
  std::vector<uint8_t> payload;
};
std::optional<TcpSegment> ParseTcp(std::span<const uint8_t> ethernet);

}  // namespace kaviro::diag
