#include "tools/relay/rd_decode.h"

#include <algorithm>

#include "link/gbk.h"
#include "link/rtu_frame.h"
#include "link/text_format.h"

namespace kaviro {

namespace {

// Reads fixed positions of the answer; a position the answer does not reach reads as 0 and is
// remembered, so the result can say the answer was short.
class AnswerBytes {
 public:
  explicit AnswerBytes(std::span<const uint8_t> answer) : answer_(answer) {}
  uint8_t At(size_t i) {
    if (i < answer_.size()) return answer_[i];
    missed_ = true;
    return 0;
  }
  uint8_t Data(size_t k) { return At(3 + k); }  // d0, d1, … of a register read
  uint8_t Hi() { return At(4); }                // value of a single write's echo
  uint8_t Lo() { return At(5); }
  unsigned Word(size_t at) { return At(at) << 8 | At(at + 1); }
  bool missed() const { return missed_; }
  std::span<const uint8_t> all() const { return answer_; }

 private:
  std::span<const uint8_t> answer_;
  bool missed_ = false;
};

struct Context {
  uint16_t address;
  AnswerBytes bytes;
  std::span<const uint8_t, 5> sentAddress;
  RdDecoded& out;
};

const char* OnOff(bool on, const char* onText, const char* offText) { return on ? onText : offText; }

std::string AddressDigits(std::span<const uint8_t> five) {
  std::string digits;
  for (uint8_t b : five) digits += Format("%02X", b);
  return digits;
}

void DeviceInformation(Context& c) {
  std::array<std::string, 5> texts;
  size_t at = 8;
  for (std::string& text : texts) {
    c.bytes.At(at);  // the object's identifier: not looked at
    const size_t length = c.bytes.At(at + 1);
    std::string raw;
    for (size_t i = 0; i < length; ++i)
      if (const uint8_t b = c.bytes.At(at + 2 + i)) raw += static_cast<char>(b);
    text = GbkToUtf8(raw);
    at += 2 + length;
  }
  c.out.identity = std::move(texts);
}

void RdInformation(Context& c) {
  RdInfo info;
  std::string& text = c.out.text;
  const uint8_t relayBits = c.bytes.Data(0);
  for (int k = 0; k < 3; ++k) {
    info.relays[k] = relayBits >> k & 1;
    if (info.relays[k]) text += Format("SW%d工作 ", k + 1);
  }
  info.runMode = c.bytes.Data(1);
  text += Format("SW%s模式 ", OnOff(info.runMode != 0, "手动", "自动"));
  info.buzzerMode = c.bytes.Data(2);
  text += Format("蜂鸣器%s ", OnOff(info.buzzerMode != 0, "屏蔽", "工作"));
  info.buzzerState = c.bytes.Data(3);
  text += Format("蜂鸣%s ", OnOff(info.buzzerState != 0, "响", "灭"));
  info.batteryVolts = static_cast<float>(c.bytes.Data(4) << 8 | c.bytes.Data(5)) * 0.001f;
  text += Format("%.2fV ", static_cast<double>(info.batteryVolts));
  info.batteryText = Format("%.3f ", static_cast<double>(info.batteryVolts));
  info.modbusId = c.bytes.Data(6);
  // The ModbusID list holds "01" … "F7"; an address outside it leaves the box empty.
  if (info.modbusId >= 1 && info.modbusId <= 247) {
    info.modbusIdIndex = info.modbusId - 1;
    info.modbusIdText = Format("%02X", info.modbusId);
  }
  info.batteryCode = c.bytes.Data(7);
  if (info.batteryCode <= 1) info.batteryIndex = 0;
  else if (info.batteryCode <= 3) info.batteryIndex = info.batteryCode - 1;
  text += RdBatteryText(info.batteryCode);
  c.out.info = std::move(info);
}

void WirelessRead(Context& c) {
  std::array<uint8_t, 5> address;
  for (size_t i = 0; i < address.size(); ++i) address[i] = c.bytes.At(4 + i);
  c.out.wirelessAddress = address;
  c.out.showWirelessAddress = true;
  c.out.text += "SN:" + AddressDigits(address);
}

void WirelessWrite(Context& c) {
  c.out.text += "设置 SN:" + AddressDigits(c.sentAddress);
  if (c.bytes.Word(2) == 0x1000) {
    std::array<uint8_t, 5> address;
    std::copy(c.sentAddress.begin(), c.sentAddress.end(), address.begin());
    c.out.wirelessAddress = address;
  } else if (!c.bytes.all().empty()) {
    c.out.text += HexBytes(c.bytes.all().last(1));
  }
}

void RelayRange(Context& c) {
  const uint8_t action = c.bytes.Data(0);
  const uint8_t offset = c.bytes.Data(1);
  c.out.range = RdRangeShown{c.address - 0x2010, Format("%d", action), Format("%.1f", offset * 0.1)};
}

void WarningVoltage(Context& c) {
  const unsigned millivolts = c.bytes.Data(0) << 8 | c.bytes.Data(1);
  c.out.warning = RdWarningShown{c.address - 0x2013, Format("%.2f", millivolts * 0.001)};
}

void IdAndBatteryEcho(Context& c) {
  c.out.text += Format("设置：电池%s模式 ", OnOff(c.bytes.Hi() != 0, "拨码", "配置"));
  c.out.text += RdBatteryText(c.bytes.Lo());
}

void BuzzerModeEcho(Context& c) { c.out.text += Format("设置：蜂鸣器%s ", OnOff(c.bytes.Lo() != 0, "屏蔽", "工作")); }
void BuzzerEcho(Context& c) { c.out.text += Format("设置：蜂鸣%s ", OnOff(c.bytes.Hi() != 0, "响", "灭")); }
void RunModeEcho(Context& c) { c.out.text += Format("设置：SW%s模式 ", OnOff(c.bytes.Lo() != 0, "手动", "自动")); }

// 0x2022 … 0x2024 as coils: relays 1 … 3.
void RelayEcho(Context& c) {
  c.out.text += Format("SW%d%s ", c.address - 0x2021, OnOff(c.bytes.Hi() != 0, "打开", "关闭"));
}

void SwitchStatus(Context& c) {
  const char* states[4];
  for (size_t k = 0; k < 4; ++k) states[k] = OnOff(c.bytes.Data(k) != 0, "开", "关");
  c.out.text += Format("RD电压开关状态:%s RD继电器1状态:%s RD继电器2状态:%s RD继电器3状态:%s", states[0], states[1],
                       states[2], states[3]);
}

void RangeEcho(Context& c) {
  const uint8_t hi = c.bytes.Hi();
  const uint8_t lo = c.bytes.Lo();
  c.out.text += Format("设置：%.1fV =< Vsw%d  =< %.1fV ", static_cast<double>(hi), c.address - 0x202F, hi + lo * 0.1);
}

void AlarmEcho(Context& c) { c.out.text += Format("设置：最小报警x1 %.2fV ", c.bytes.Word(4) * 0.001); }
void WarningEcho(Context& c) { c.out.text += Format("设置：最大预警x2 %.2fV ", c.bytes.Word(4) * 0.001); }

void FactoryResetEcho(Context& c) { c.out.text += c.bytes.Lo() != 0 ? "恢复出厂设置成功" : "恢复出厂设置失败"; }

enum class Fn { kAny, kIs, kIsNot };

struct Rule {
  uint16_t first, last;  // request addresses
  Fn match;
  uint8_t function;
  void (*decode)(Context&);
};

// The first rule that fits the request decodes its answer; an address without one sets nothing.
constexpr Rule kRules[] = {
    {0x0E01, 0x0E01, Fn::kIs, fn::kDeviceIdentification, DeviceInformation},
    {0x0020, 0x0020, Fn::kAny, 0, RdInformation},
    {0x1000, 0x1000, Fn::kIs, fn::kReadHolding, WirelessRead},
    {0x1000, 0x1000, Fn::kIs, fn::kWriteMultiple, WirelessWrite},
    {0x2010, 0x2012, Fn::kAny, 0, RelayRange},
    {0x2013, 0x2014, Fn::kAny, 0, WarningVoltage},
    {0x2020, 0x2020, Fn::kAny, 0, IdAndBatteryEcho},
    {0x2021, 0x2021, Fn::kIs, fn::kWriteRegister, BuzzerModeEcho},
    {0x2021, 0x2021, Fn::kIs, fn::kWriteCoil, BuzzerEcho},
    {0x2022, 0x2022, Fn::kIs, fn::kWriteRegister, RunModeEcho},
    {0x2022, 0x2022, Fn::kIs, fn::kWriteCoil, RelayEcho},
    {0x2023, 0x2024, Fn::kAny, 0, RelayEcho},
    {0x2030, 0x2030, Fn::kIs, fn::kReadHolding, SwitchStatus},
    {0x2030, 0x2032, Fn::kIsNot, fn::kReadHolding, RangeEcho},
    {0x2033, 0x2033, Fn::kIsNot, fn::kReadHolding, AlarmEcho},
    {0x2034, 0x2034, Fn::kIsNot, fn::kReadHolding, WarningEcho},
    {0x4000, 0x4000, Fn::kAny, 0, FactoryResetEcho},
};

bool Fits(const Rule& r, uint16_t address, uint8_t function) {
  if (address < r.first || address > r.last) return false;
  return r.match == Fn::kAny || (r.match == Fn::kIs) == (function == r.function);
}

}  // namespace

std::string RdBatteryText(int code) {
  switch (code) {
    case 1: return "1节12V ";
    case 2: return "2节24V ";
    case 3: return "4节48V ";
    default: return Format("%d自动匹配 ", code);
  }
}

RdDecoded DecodeRdAnswer(uint16_t address, uint8_t function, std::span<const uint8_t> answer,
                         std::span<const uint8_t, 5> sentAddress) {
  RdDecoded out;
  Context c{address, AnswerBytes(answer), sentAddress, out};
  const auto rule = std::ranges::find_if(kRules, [&](const Rule& r) { return Fits(r, address, function); });
  if (rule != std::end(kRules)) rule->decode(c);
  if (c.bytes.missed()) {
    out.shortAnswer = true;
    out.text += kRdShortAnswerText;
  }
  return out;
}

}  // namespace kaviro
