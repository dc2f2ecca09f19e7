#include "sim/relay_accessory.h"

namespace kaviro::sim {

namespace {

namespace rreg {
constexpr uint16_t kInfo = 0x0020;            // 4 words: relays|mode, buzzer mode|state, mV, id|battery
constexpr uint16_t kWirelessAddress = 0x1000;  // 3 words: 0x00 then 5 bytes
constexpr uint16_t kRangesRead = 0x2010;       // 3 ranges, then alarm and warning mV
constexpr uint16_t kIdAndBattery = 0x2020;
constexpr uint16_t kBuzzerMode = 0x2021;
constexpr uint16_t kRunMode = 0x2022;
constexpr uint16_t kRangesWrite = 0x2030;  // 0x2030–0x2032 ranges, 0x2033 alarm, 0x2034 warning
constexpr uint16_t kStatus = 0x2030;       // read: voltage switch|relay 1, relay 2|relay 3
constexpr uint16_t kFactoryReset = 0x4000;
}  // namespace rreg

constexpr uint16_t kBuzzerCoil = 0x2021;
constexpr uint16_t kFirstRelayCoil = 0x2022;
constexpr size_t kRelays = 3;

using Part = ValueRule::Part;

uint16_t Bytes(unsigned hi, unsigned lo) { return static_cast<uint16_t>((hi & 0xFF) << 8 | (lo & 0xFF)); }

}  // namespace

RelayAccessory::RelayAccessory()
    : ModbusDevice(Identity({"KAVIRO", "KV-RD3", "HW V1.2", "SW V1.05", "21206001"})) {
  registers_.Map(rreg::kInfo, rreg::kInfo + 3, kRead);
  registers_.Map(rreg::kWirelessAddress, rreg::kWirelessAddress + 2, kReadWrite);
  registers_.Map(rreg::kRangesRead, rreg::kRangesRead + 4, kRead);
  registers_.Map(rreg::kIdAndBattery, rreg::kRunMode, kReadWrite);
  registers_.Map(rreg::kRangesWrite, rreg::kRangesWrite + 1, kReadWrite);
  registers_.Map(rreg::kRangesWrite + 2, rreg::kRangesWrite + 4, kWrite);
  registers_.Map(rreg::kFactoryReset, rreg::kFactoryReset, kWrite);
  registers_.AddRule(rreg::kWirelessAddress, {Part::kHighByte, 0, 0});
  // A zero address byte leaves the address as it is (the battery selection alone changes).
  registers_.AddRule(rreg::kIdAndBattery, {Part::kHighByte, 0, 247});
  registers_.AddRule(rreg::kIdAndBattery, {Part::kLowByte, 0, 3});
  registers_.AddRule(rreg::kBuzzerMode, {Part::kWord, 0, 1});
  registers_.AddRule(rreg::kRunMode, {Part::kWord, 0, 1});
  registers_.AddRule(rreg::kFactoryReset, {Part::kWord, 0, 1});
  Refresh();
}

bool RelayAccessory::Answers(uint8_t unit) const {
  return unit != 0 && (unit == state_.modbusId || unit == state_.wireless.back());
}

void RelayAccessory::FollowVoltage() {
  if (state_.passive) return;
  for (size_t k = 0; k < kRelays; ++k) {
    const int actionMv = (state_.ranges[k] >> 8) * 1000;
    const int restoreMv = actionMv + (state_.ranges[k] & 0xFF) * 100;
    if (batteryMv_ < actionMv) state_.relays[k] = false;
    if (batteryMv_ >= restoreMv) state_.relays[k] = true;
  }
}

void RelayAccessory::Refresh() {
  FollowVoltage();
  const State& s = state_;
  const unsigned relayBits = s.relays[0] | s.relays[1] << 1 | s.relays[2] << 2;
  const bool voltageSwitch = batteryMv_ >= s.alarmMv;
  RegisterSpace& r = registers_;
  r.Set(rreg::kInfo, Bytes(relayBits, s.passive));
  r.Set(rreg::kInfo + 1, Bytes(s.buzzerDisabled, s.buzzerOn));
  r.Set(rreg::kInfo + 2, batteryMv_);
  r.Set(rreg::kInfo + 3, Bytes(s.modbusId, s.batteryCode));
  r.Set(rreg::kWirelessAddress, Bytes(0, s.wireless[0]));
  r.Set(rreg::kWirelessAddress + 1, Bytes(s.wireless[1], s.wireless[2]));
  r.Set(rreg::kWirelessAddress + 2, Bytes(s.wireless[3], s.wireless[4]));
  for (size_t k = 0; k < kRelays; ++k) r.Set(static_cast<uint16_t>(rreg::kRangesRead + k), s.ranges[k]);
  r.Set(rreg::kRangesRead + 3, s.alarmMv);
  r.Set(rreg::kRangesRead + 4, s.warningMv);
  r.Set(rreg::kIdAndBattery, Bytes(s.modbusId, s.batteryCode));
  r.Set(rreg::kBuzzerMode, s.buzzerDisabled);
  r.Set(rreg::kRunMode, s.passive);
  r.Set(rreg::kStatus, Bytes(voltageSwitch, s.relays[0]));
  r.Set(rreg::kStatus + 1, Bytes(s.relays[1], s.relays[2]));
}

void RelayAccessory::Apply(uint16_t address, uint16_t value) {
  State& s = state_;
  const uint8_t hi = value >> 8;
  const uint8_t lo = value & 0xFF;
  switch (address) {
    case rreg::kWirelessAddress: s.wireless[0] = lo; break;
    case rreg::kWirelessAddress + 1:
      s.wireless[1] = hi;
      s.wireless[2] = lo;
      break;
    case rreg::kWirelessAddress + 2:
      s.wireless[3] = hi;
      s.wireless[4] = lo;
      break;
    case rreg::kIdAndBattery:
      if (hi) s.modbusId = hi;
      s.batteryCode = lo;
      break;
    case rreg::kBuzzerMode:
      s.buzzerDisabled = value != 0;
      if (s.buzzerDisabled) s.buzzerOn = false;
      break;
    case rreg::kRunMode: s.passive = value != 0; break;
    case rreg::kRangesWrite:
    case rreg::kRangesWrite + 1:
    case rreg::kRangesWrite + 2: s.ranges[address - rreg::kRangesWrite] = value; break;
    case rreg::kRangesWrite + 3: s.alarmMv = value; break;
    case rreg::kRangesWrite + 4: s.warningMv = value; break;
    case rreg::kFactoryReset:
      if (value) s = State{};
      break;
    default: break;
  }
}

std::optional<ExceptionCode> RelayAccessory::StoreRegisters(uint16_t start, std::span<const uint16_t> values) {
  if (auto refused = registers_.CheckWrite(start, values)) return refused;
  for (size_t i = 0; i < values.size(); ++i) Apply(static_cast<uint16_t>(start + i), values[i]);
  return std::nullopt;
}

std::optional<bool> RelayAccessory::CoilState(uint16_t address) const {
  if (address == kBuzzerCoil) return state_.buzzerOn;
  if (address >= kFirstRelayCoil && address < kFirstRelayCoil + kRelays) return state_.relays[address - kFirstRelayCoil];
  return std::nullopt;
}

std::optional<ExceptionCode> RelayAccessory::SwitchCoil(uint16_t address, bool on) {
  // A disabled buzzer stays silent, and in active mode the voltage drives the relays.
  if (address == kBuzzerCoil) state_.buzzerOn = on && !state_.buzzerDisabled;
  else if (state_.passive) state_.relays[address - kFirstRelayCoil] = on;
  Refresh();
  return std::nullopt;
}

}  // namespace kaviro::sim
