#include "diag/capture_writer.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "diag/capture_format.h"

namespace kaviro::diag {

namespace {

using namespace capture;

void Le16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Be16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
void Be32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Pad4(std::vector<uint8_t>& b) {
  while (b.size() % 4) b.push_back(0);
}

// Opens a block of `type`; Close fills in its length at both ends.
void Begin(std::vector<uint8_t>& b, uint32_t type) {
  b.clear();
  Le32(b, type);
  Le32(b, 0);
}
void Close(std::vector<uint8_t>& b) {
  const uint32_t length = static_cast<uint32_t>(b.size() + 4);
  for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<uint8_t>(length >> (8 * i));
  Le32(b, length);
}

void Option(std::vector<uint8_t>& b, uint16_t code, std::span<const uint8_t> value) {
  Le16(b, code);
  Le16(b, static_cast<uint16_t>(value.size()));
  b.insert(b.end(), value.begin(), value.end());
  Pad4(b);
}

void DescribeInterface(std::vector<uint8_t>& file, uint16_t linkType, const char* name) {
  std::vector<uint8_t> b;
  Begin(b, kInterfaceDescription);
  Le16(b, linkType);
  Le16(b, 0);
  Le32(b, 0);  // no snapshot limit
  Option(b, 2, {reinterpret_cast<const uint8_t*>(name), std::strlen(name)});  // if_name
  Le32(b, 0);  // end of options
  Close(b);
  file.insert(file.end(), b.begin(), b.end());
}

// The Internet checksum of `bytes`, starting from `sum`.
uint16_t Checksum(std::span<const uint8_t> bytes, uint32_t sum = 0) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) sum += static_cast<uint32_t>(bytes[i] << 8 | bytes[i + 1]);
  if (bytes.size() % 2) sum += static_cast<uint32_t>(bytes.back() << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

int64_t WallUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

std::unique_ptr<CaptureWriter> CaptureWriter::Open(const std::string& path, Clock& clock, std::string& error) {
  std::unique_ptr<AppendFile> file = AppendFile::Open(path, AppendFile::Start::kEmpty, error);
  if (!file) return nullptr;
  std::unique_ptr<CaptureWriter> writer(
      new CaptureWriter(std::move(file), WallUs() - static_cast<int64_t>(clock.NowUs())));
  std::vector<uint8_t> head;
  Begin(head, kSectionHeader);
  Le32(head, kByteOrderMagic);
  Le16(head, 1);
  Le16(head, 0);
  Le32(head, 0xFFFFFFFF);  // section length not given
  Le32(head, 0xFFFFFFFF);
  Close(head);
  DescribeInterface(head, kLinkEthernet, "modbus-tcp");
  DescribeInterface(head, kLinkRtu, "modbus-rtu");
  DescribeInterface(head, kLinkRadio, "radio-packets");
  writer->Put(head);
  if (!writer->ok()) {
    error = path + ": " + std::strerror(errno);
    return nullptr;
  }
  return writer;
}

CaptureWriter::CaptureWriter(std::unique_ptr<AppendFile> file, int64_t wallMinusClockUs)
    : file_(std::move(file)), wallMinusClockUs_(wallMinusClockUs) {}

CaptureWriter::~CaptureWriter() = default;

void CaptureWriter::Put(std::span<const uint8_t> block) {
  // One write per block, so the file never ends inside a block that a reader would take.
  file_->Append({reinterpret_cast<const char*>(block.data()), block.size()});
}

void CaptureWriter::Segment(FrameDirection direction, std::span<const uint8_t> payload) {
  const bool out = direction == FrameDirection::kOut;
  std::vector<uint8_t>& p = packet_;
  p.clear();
  const std::array<uint8_t, 6>& destination = out ? kControllerMac : kToolMac;
  const std::array<uint8_t, 6>& source = out ? kToolMac : kControllerMac;
  p.insert(p.end(), destination.begin(), destination.end());
  p.insert(p.end(), source.begin(), source.end());
  Be16(p, 0x0800);
  const size_t ip = p.size();
  const uint32_t from = out ? kToolIp : kControllerIp, to = out ? kControllerIp : kToolIp;
  p.push_back(0x45);
  p.push_back(0);
  Be16(p, static_cast<uint16_t>(kIpHeader + kTcpHeader + payload.size()));
  Be16(p, ipId_++);
  Be16(p, 0x4000);  // don't fragment
  p.push_back(64);
  p.push_back(6);  // TCP
  Be16(p, 0);
  Be32(p, from);
  Be32(p, to);
  const uint16_t ipSum = Checksum(std::span<const uint8_t>(p).subspan(ip, kIpHeader));
  p[ip + 10] = static_cast<uint8_t>(ipSum >> 8);
  p[ip + 11] = static_cast<uint8_t>(ipSum);

  const size_t tcp = p.size();
  uint32_t& seq = out ? toolSeq_ : controllerSeq_;
  const uint32_t ack = out ? controllerSeq_ : toolSeq_;
  Be16(p, out ? kToolPort : kModbusPort);
  Be16(p, out ? kModbusPort : kToolPort);
  Be32(p, seq);
  Be32(p, ack);
  p.push_back(0x50);  // header of five words
  p.push_back(0x18);  // PSH, ACK
  Be16(p, 0xFFFF);    // window
  Be16(p, 0);
  Be16(p, 0);
  p.insert(p.end(), payload.begin(), payload.end());
  seq += static_cast<uint32_t>(payload.size());
  const uint32_t length = static_cast<uint32_t>(kTcpHeader + payload.size());
  const uint32_t pseudo = (from >> 16) + (from & 0xFFFF) + (to >> 16) + (to & 0xFFFF) + 6 + length;
  const uint16_t tcpSum = Checksum(std::span<const uint8_t>(p).subspan(tcp), pseudo);
  p[tcp + 16] = static_cast<uint8_t>(tcpSum >> 8);
  p[tcp + 17] = static_cast<uint8_t>(tcpSum);
}

void CaptureWriter::OnFrame(const FrameRecord& frame) {
  if (!ok()) return;
  std::span<const uint8_t> data = frame.bytes;
  uint32_t interface = kRtuInterface;
  if (frame.layer == FrameLayer::kModbusTcp) {
    Segment(frame.direction, frame.bytes);
    data = packet_;
    interface = kEthernetInterface;
  } else if (frame.layer == FrameLayer::kRadio) {
    interface = kRadioInterface;
  }
  const uint64_t us = static_cast<uint64_t>(static_cast<int64_t>(frame.timeUs) + wallMinusClockUs_);
  std::vector<uint8_t>& b = block_;
  Begin(b, kEnhancedPacket);
  Le32(b, interface);
  Le32(b, static_cast<uint32_t>(us >> 32));
  Le32(b, static_cast<uint32_t>(us));
  Le32(b, static_cast<uint32_t>(data.size()));
  Le32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  Pad4(b);
  const uint8_t flags[4] = {static_cast<uint8_t>(frame.direction == FrameDirection::kOut ? kOutbound : kInbound), 0, 0, 0};
  Option(b, kOptionFlags, flags);
  Le32(b, 0);
  Close(b);
  Put(b);
  ++frames_;
}

}  // namespace kaviro::diag
