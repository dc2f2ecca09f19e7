#include "diag/capture_reader.h"

#include <fstream>
#include <iterator>

#include "diag/capture_format.h"

namespace kaviro::diag {

namespace {

using namespace capture;

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Le16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint16_t Be16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }
uint32_t Be32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]);
}

uint32_t Sum(std::span<const uint8_t> bytes, uint32_t sum) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) sum += Be16(bytes, i);
  if (bytes.size() % 2) sum += static_cast<uint32_t>(bytes.back() << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return sum;
}

// The direction from an enhanced packet block's options, if it has the flags option.
std::optional<FrameDirection> Direction(std::span<const uint8_t> options) {
  for (size_t at = 0; at + 4 <= options.size();) {
    const uint16_t code = Le16(options, at), length = Le16(options, at + 2);
    if (code == 0) break;
    if (code == kOptionFlags && length == 4 && at + 8 <= options.size()) {
      const uint32_t flags = Le32(options, at + 4) & 3;
      if (flags == kInbound) return FrameDirection::kIn;
      if (flags == kOutbound) return FrameDirection::kOut;
    }
    at += 4 + (length + 3u) / 4 * 4;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Capture> ParseCapture(std::span<const uint8_t> bytes) {
  if (bytes.size() < 28 || Le32(bytes, 0) != kSectionHeader || Le32(bytes, 8) != kByteOrderMagic) return std::nullopt;
  Capture capture;
  for (size_t at = 0; at < bytes.size();) {
    if (at + 12 > bytes.size()) {
      capture.truncated = true;
      break;
    }
    const uint32_t type = Le32(bytes, at), length = Le32(bytes, at + 4);
    if (length < 12 || length % 4 || at + length > bytes.size() || Le32(bytes, at + length - 4) != length) {
      capture.truncated = true;
      break;
    }
    const std::span<const uint8_t> body = bytes.subspan(at + 8, length - 12);
    if (type == kInterfaceDescription && body.size() >= 8) capture.interfaces.push_back(Le16(body, 0));
    if (type == kEnhancedPacket && body.size() >= 20) {
      const uint32_t interface = Le32(body, 0), captured = Le32(body, 12);
      if (interface >= capture.interfaces.size() || 20 + captured > body.size()) return std::nullopt;
      CapturedPacket p;
      p.linkType = capture.interfaces[interface];
      p.timeUs = static_cast<uint64_t>(Le32(body, 4)) << 32 | Le32(body, 8);
      p.data.assign(body.begin() + 20, body.begin() + 20 + captured);
      p.direction = Direction(body.subspan(20 + (captured + 3u) / 4 * 4));
      capture.packets.push_back(std::move(p));
    }
    at += length;
  }
  return capture;
}

std::optional<Capture> ReadCapture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return ParseCapture(bytes);
}

std::optional<TcpSegment> ParseTcp(std::span<const uint8_t> f) {
  if (f.size() < kEthernetHeader + kIpHeader + kTcpHeader || Be16(f, 12) != 0x0800) return std::nullopt;
  const std::span<const uint8_t> ip = f.subspan(kEthernetHeader);
  const size_t ipLength = (ip[0] & 0x0F) * 4u;
  const size_t total = Be16(ip, 2);
  if (ip[9] != 6 || ipLength < kIpHeader || total > ip.size() || total < ipLength + kTcpHeader) return std::nullopt;
  const std::span<const uint8_t> tcp = ip.subspan(ipLength, total - ipLength);
  const size_t tcpLength = (tcp[12] >> 4) * 4u;
  if (tcpLength < kTcpHeader || tcpLength > tcp.size()) return std::nullopt;
  TcpSegment s;
  s.sourceIp = Be32(ip, 12);
  s.destinationIp = Be32(ip, 16);
  s.sourcePort = Be16(tcp, 0);
  s.destinationPort = Be16(tcp, 2);
  s.seq = Be32(tcp, 4);
  s.ack = Be32(tcp, 8);
  const uint32_t pseudo = (s.sourceIp >> 16) + (s.sourceIp & 0xFFFF) + (s.destinationIp >> 16) +
                          (s.destinationIp & 0xFFFF) + 6 + static_cast<uint32_t>(tcp.size());
  s.checksumsRight = Sum(ip.first(ipLength), 0) == 0xFFFF && Sum(tcp, pseudo) == 0xFFFF;
  s.payload.assign(tcp.begin() + static_cast<std::ptrdiff_t>(tcpLength), tcp.end());
  return s;
}

}  // namespace kaviro::diag
