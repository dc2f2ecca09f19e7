#include "diag/frame_log.h"

#include "link/crc16.h"
#include "link/rtu_frame.h"
#include "link/text_format.h"

namespace kaviro::diag {

void FrameLog::OnFrame(const FrameRecord& frame) {
  std::lock_guard lock(mutex_);
  ++seen_;
  if (frames_.size() >= capacity_) {
    // The dropped frame's buffer is reused for the new one.
    LoggedFrame reused = std::move(frames_.front());
    frames_.pop_front();
    reused.bytes.assign(frame.bytes.begin(), frame.bytes.end());
    reused.timeUs = frame.timeUs;
    reused.direction = frame.direction;
    reused.layer = frame.layer;
    frames_.push_back(std::move(reused));
    return;
  }
  frames_.push_back({frame.timeUs, frame.direction, frame.layer, {frame.bytes.begin(), frame.bytes.end()}});
}

std::vector<LoggedFrame> FrameLog::Frames() const {
  std::lock_guard lock(mutex_);
  return {frames_.begin(), frames_.end()};
}

uint64_t FrameLog::Seen() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

void FrameLog::Clear() {
  std::lock_guard lock(mutex_);
  frames_.clear();
}

namespace {

struct FunctionName {
  uint8_t code;
  const char* name;
};

constexpr FunctionName kFunctions[] = {
    {fn::kReadHolding, "读保持寄存器"},  {fn::kReadInput, "读输入寄存器"},       {fn::kWriteCoil, "写线圈"},
    {fn::kWriteRegister, "写单个寄存器"}, {fn::kWriteMultiple, "写多个寄存器"}, {fn::kDeviceIdentification, "读设备标识"},
};

std::string FunctionText(uint8_t code) {
  for (const FunctionName& f : kFunctions)
    if (f.code == code) return f.name;
  return Format("功能%02X", code);
}

// The register's name in the table, blanks at the end cut; empty for an unknown address.
std::string RegisterName(RegisterTable table, uint16_t address) {
  for (const RegisterDescriptor& row : table) {
    if (!ShowsRegister(row, address)) continue;
    std::string_view name = row.description;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.remove_suffix(1);
    return std::string(name);
  }
  return {};
}

std::string Named(RegisterTable table, uint16_t address) {
  const std::string name = RegisterName(table, address);
  return name.empty() ? std::string() : " " + name;
}

std::string Pdu(FrameDirection direction, std::span<const uint8_t> f, RegisterTable table) {
  if (f.size() < 2) return "不完整的帧";
  const std::string unit = Format("单元%d ", f[0]);
  const uint8_t function = f[1];
  if (function & 0x80)
    return Format("异常应答 %s%s 代码%02X", unit.c_str(), FunctionText(function & 0x7F).c_str(), f.size() > 2 ? f[2] : 0);
  const bool read = function == fn::kReadHolding || function == fn::kReadInput;
  if (direction == FrameDirection::kOut) {
    if (read && f.size() >= 6) {
      const uint16_t start = GetU16(f, 2), count = GetU16(f, 4);
      return unit + FunctionText(function) + Format(" 0x%04X×%d", start, count) + Named(table, start);
    }
    if ((function == fn::kWriteCoil || function == fn::kWriteRegister) && f.size() >= 6) {
      const uint16_t at = GetU16(f, 2), value = GetU16(f, 4);
      return unit + FunctionText(function) + Format(" 0x%04X=0x%04X", at, value) +
             (function == fn::kWriteRegister ? Named(table, at) : std::string());
    }
    if (function == fn::kWriteMultiple && f.size() >= 6) {
      const uint16_t start = GetU16(f, 2), count = GetU16(f, 4);
      return unit + FunctionText(function) + Format(" 0x%04X×%d", start, count) + Named(table, start);
    }
    return unit + FunctionText(function);
  }
  if (read && f.size() >= 3) return "应答 " + unit + FunctionText(function) + Format(" %d字节", f[2]);
  return "应答 " + unit + FunctionText(function);
}

}  // namespace

FrameSummary SummariseFrame(FrameLayer layer, FrameDirection direction, std::span<const uint8_t> bytes,
                            RegisterTable table) {
  switch (layer) {
    case FrameLayer::kRadio:
      return {Format("无线包 %d字节有效", bytes.size() == 16 ? bytes[15] : 0), CrcVerdict::kNone};
    case FrameLayer::kModbusTcp:
      if (bytes.size() < 8) return {"不完整的帧", CrcVerdict::kNone};
      return {Format("事务%d ", GetU16(bytes, 0)) + Pdu(direction, bytes.subspan(6), table), CrcVerdict::kNone};
    case FrameLayer::kRtu:
      if (bytes.size() < 4) return {"不完整的帧", CrcVerdict::kWrong};
      return {Pdu(direction, bytes.first(bytes.size() - 2), table),
              HasValidCrc(bytes) ? CrcVerdict::kRight : CrcVerdict::kWrong};
  }
  return {"", CrcVerdict::kNone};
}

}  // namespace kaviro::diag
