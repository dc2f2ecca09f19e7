#include "tools/relay/rd_buttons.h"

#include <algorithm>

#include "link/link_texts.h"
#include "link/text_format.h"
#include "tools/common/verified_write.h"
#include "tools/common/typed_number.h"

namespace kaviro {

namespace {

// Reading the wireless address opens up everything that needs the RD's address.
constexpr int kAfterAddressRead[] = {1021, 1480, 1481, 1482, 1131, 1132, 1484, 1485, 1486, 1487, 1488, 1471, 1018};
constexpr int kAfterAddressWrite[] = {1021, 1480, 1481, 1482, 1131, 1132, 1471};
constexpr int kAfterInformation[] = {1472, 1473, 1041, 1042, 1475, 1483, 1489};
constexpr int kRelayRadios[] = {1474, 1036, 1037, 1038, 1039, 1040};
constexpr int kBuzzerStateRadios[] = {1043, 1044};

using D = RdDevice;
using V = RdData;

constexpr RdButton kButtons[] = {
    {.id = 1464, .device = D::kFactory, .function = "03", .address = "1000", .data = V::kFixed, .fixed = "0003",
     .enable = kAfterAddressRead},
    {.id = 1465, .device = D::kFactory, .function = "10", .address = "1000", .data = V::kFixed, .fixed = "0003",
     .enable = kAfterAddressWrite, .asciiFromAddress = true},
    {.id = 1021, .device = D::kWireless, .function = "03", .address = "0020", .data = V::kFixed, .fixed = "0004",
     .enable = kAfterInformation},
    {.id = 1472, .device = D::kChosen, .function = "06", .address = "2022", .data = V::kFixed, .fixed = "0000",
     .disable = kRelayRadios},
    {.id = 1473, .device = D::kChosen, .function = "06", .address = "2022", .data = V::kFixed, .fixed = "0001",
     .enable = kRelayRadios},
    {.id = 1474, .device = D::kChosen, .function = "05", .address = "2022", .data = V::kFixed, .fixed = "0000"},
    {.id = 1036, .device = D::kChosen, .function = "05", .address = "2022", .data = V::kFixed, .fixed = "FF00"},
    {.id = 1037, .device = D::kChosen, .function = "05", .address = "2023", .data = V::kFixed, .fixed = "0000"},
    {.id = 1038, .device = D::kChosen, .function = "05", .address = "2023", .data = V::kFixed, .fixed = "FF00"},
    {.id = 1039, .device = D::kChosen, .function = "05", .address = "2024", .data = V::kFixed, .fixed = "0000"},
    {.id = 1040, .device = D::kChosen, .function = "05", .address = "2024", .data = V::kFixed, .fixed = "FF00"},
    {.id = 1041, .device = D::kChosen, .function = "06", .address = "2021", .data = V::kFixed, .fixed = "0000",
     .enable = kBuzzerStateRadios},
    {.id = 1042, .device = D::kChosen, .function = "06", .address = "2021", .data = V::kFixed, .fixed = "0001",
     .disable = kBuzzerStateRadios},
    {.id = 1043, .device = D::kChosen, .function = "05", .address = "2021", .data = V::kFixed, .fixed = "0000"},
    {.id = 1044, .device = D::kChosen, .function = "05", .address = "2021", .data = V::kFixed, .fixed = "FF00"},
    {.id = 1475, .device = D::kChosen, .function = "06", .address = "2020", .data = V::kIdAndBattery,
     .selection = true},
    {.id = 1489, .device = D::kPrevious, .function = "06", .address = "2020", .data = V::kIdAndBattery,
     .remembersModbusId = true, .selection = true},
    {.id = 1471, .device = D::kChosen, .function = "06", .address = "4000", .data = V::kFixed, .fixed = "0001"},
    {.id = 1480, .device = D::kChosen, .function = "06", .address = "2030", .data = V::kRange, .index = 0},
    {.id = 1481, .device = D::kChosen, .function = "06", .address = "2031", .data = V::kRange, .index = 1},
    {.id = 1482, .device = D::kChosen, .function = "06", .address = "2032", .data = V::kRange, .index = 2},
    {.id = 1131, .device = D::kChosen, .function = "06", .address = "2033", .data = V::kWarning, .index = 0},
    {.id = 1132, .device = D::kChosen, .function = "06", .address = "2034", .data = V::kWarning, .index = 1},
    {.id = 1484, .device = D::kWireless, .function = "03", .address = "2010", .data = V::kFixed, .fixed = "0001"},
    {.id = 1485, .device = D::kWireless, .function = "03", .address = "2011", .data = V::kFixed, .fixed = "0001"},
    {.id = 1486, .device = D::kWireless, .function = "03", .address = "2012", .data = V::kFixed, .fixed = "0001"},
    {.id = 1487, .device = D::kWireless, .function = "03", .address = "2013", .data = V::kFixed, .fixed = "0001"},
    {.id = 1488, .device = D::kWireless, .function = "03", .address = "2014", .data = V::kFixed, .fixed = "0001"},
    {.id = 1018, .device = D::kWireless, .function = "2B", .address = "0E01", .data = V::kFixed, .fixed = "00"},
};

std::optional<int64_t> InRange(std::optional<int64_t> units, int64_t lo, int64_t hi) {
  return units && *units >= lo && *units <= hi ? units : std::nullopt;
}

}  // namespace

std::span<const RdButton> RdButtons() { return kButtons; }

const RdButton* FindRdButton(int id) {
  const auto it = std::ranges::find(kButtons, id, &RdButton::id);
  return it == std::end(kButtons) ? nullptr : &*it;
}

std::string RdDeviceText(RdDevice device, const RdDeviceChoice& choice) {
  const std::string last = Format("%02X", choice.wirelessLast);
  switch (device) {
    case RdDevice::kFactory: return "36";
    case RdDevice::kChosen: return choice.modbusIdText.empty() ? last : choice.modbusIdText;
    case RdDevice::kWireless: return last;
    case RdDevice::kPrevious: return choice.modbusIdText.empty() ? last : choice.lastRdModbusId;
  }
  return last;
}

uint16_t RdIdAndBatteryWord(int modbusIdIndex, int batteryIndex) {
  return static_cast<uint16_t>(((modbusIdIndex + 1) * 256 + batteryIndex + 1) & 0xFFFF);
}

std::optional<uint16_t> RdRangeWord(std::string_view action, std::string_view offset) {
  const auto volts = InRange(TypedUnits(action, NumberKind::kWhole), 0, 255);
  const auto tenths = InRange(TypedUnits(offset, NumberKind::kDecimal, 1), 0, 255);
  if (!volts || !tenths) return std::nullopt;
  return static_cast<uint16_t>(*volts * 256 + *tenths);
}

std::optional<uint16_t> RdWarningWord(std::string_view volts) {
  const auto millivolts = InRange(TypedUnits(volts, NumberKind::kDecimal, 3), 0, 65535);
  if (!millivolts) return std::nullopt;
  return static_cast<uint16_t>(*millivolts);
}

std::optional<std::string> RdDataText(const RdButton& button, const RdInputs& inputs) {
  std::optional<uint16_t> word;
  switch (button.data) {
    case RdData::kFixed: return button.fixed;
    case RdData::kIdAndBattery: word = RdIdAndBatteryWord(inputs.modbusIdIndex, inputs.batteryIndex); break;
    case RdData::kRange: {
      const auto& edits = inputs.ranges[static_cast<size_t>(button.index)];
      word = RdRangeWord(edits[0], edits[1]);
      break;
    }
    case RdData::kWarning: word = RdWarningWord(inputs.warnings[static_cast<size_t>(button.index)]); break;
  }
  if (!word) return std::nullopt;
  return Format("%04X", *word);
}

RdPress RdButtonTexts(const RdButton& button, const RdDeviceChoice& choice, const RdInputs& inputs,
                      std::string ascii) {
  if (button.device == RdDevice::kPrevious && !choice.modbusIdText.empty() && choice.lastRdModbusId.empty())
    return {std::nullopt, kRdModbusIdUnknownText};
  std::optional<std::string> data = RdDataText(button, inputs);
  if (!data) return {std::nullopt, kRdBadInputText};
  return {RdBuilderTexts{RdDeviceText(button.device, choice), button.function, button.address, std::move(*data),
                         std::move(ascii)},
          {}};
}

Result<RdAnswer> PressRdButton(LinkService& link, const RdButton& button, const RdDeviceChoice& choice,
                               const RdInputs& inputs, RelayMemory& memory, std::optional<uint8_t> unit) {
  RdPress press = RdButtonTexts(button, choice, inputs);
  if (!press.texts) return Fail<RdAnswer>(Status::kRefused, {press.refusal});
  if (unit) press.texts->device = Format("%02X", *unit);
  return RunInternalCommand(link, *press.texts, memory);
}

Result<RdSetting> SetRdVerified(LinkService& link, const RdButton& set, const RdCheck& check, const RdDeviceChoice& choice,
                                const RdInputs& inputs, RelayMemory& memory, std::optional<uint8_t> unit) {
  std::optional<RdAnswer> echoed;
  const Result<RdAnswer> verified = WriteAndVerify<RdAnswer>(
      link, LinkMode::kNetwork,
      {.write = [&] {
         const Result<RdAnswer> r = PressRdButton(link, set, choice, inputs, memory, unit);
         if (!r.ok()) return r.As<Nothing>();
         echoed = r.value;
         if (!r.value->Echoes()) return Fail(Status::kNotConfirmed, {text::kSetFailed});
         return Done();
       },
       .readBack = [&] { return PressRdButton(link, *check.readBack, choice, inputs, memory, unit); },
       .same = check.same,
       .shown = [](const RdAnswer& read) { return read.decoded.text.empty() ? read.dump : read.decoded.text; },
       .written = [&] { return check.written; }});
  Result<RdSetting> setting = verified.As<RdSetting>();
  if (echoed) setting.value = RdSetting{*echoed, verified.value};
  return setting;
}

}  // namespace kaviro
