#include "tools/console/modbus_test_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <mutex>

#include "config/app_config.h"
#include "link/text_format.h"
#include "monitor/decoded_values.h"
#include "res/dialog_builder.h"
#include "res/ip_address_edit.h"
#include "res/modbus_test_dialog_ids.h"
#include "res/prompter.h"
#include "res/templates.h"
#include "tools/common/address_entry.h"
#include "tools/common/busy_cursor.h"
#include "tools/common/int_text.h"
#include "tools/console/identification.h"
#include "tools/console/lighting.h"
#include "tools/console/network_module.h"
#include "tools/console/raw_frame.h"
#include "tools/console/wireless_settings.h"

namespace kaviro {

namespace {

constexpr int kIdentificationEdits[kIdentificationObjects] = {
    console_ids::kVendorName, console_ids::kProductCode, console_ids::kHardwareVersion, console_ids::kSoftwareVersion,
    console_ids::kSerialNumber};
constexpr int kIpControls[] = {console_ids::kIp, console_ids::kMask, console_ids::kGateway};

struct LightingRow {
  int picker;
  int button;
  int32_t DecodedValues::*polled;
};
constexpr LightingRow kLightingRows[kLightingSlots] = {
    {console_ids::kDuskOnTime, console_ids::kSetDuskOn, &DecodedValues::lightOnAtDusk},
    {console_ids::kDuskOffTime, console_ids::kSetDuskOff, &DecodedValues::lightOffAtDusk},
    {console_ids::kDawnOnTime, console_ids::kSetDawnOn, &DecodedValues::lightOnAtDawn},
    {console_ids::kDawnOffTime, console_ids::kSetDawnOff, &DecodedValues::lightOffAtDawn},
};

struct RadioRow {
  int edit;
  int check;  // 0: none
  std::string WirelessConfig::*address;
  bool WirelessConfig::*enabled;
};
constexpr RadioRow kRadioRows[] = {
    {console_ids::kControllerRadio, 0, &WirelessConfig::controller, nullptr},
    {console_ids::kRdRadio, console_ids::kRdRadioOn, &WirelessConfig::rd, &WirelessConfig::rdOn},
    {console_ids::kRtsRadio, console_ids::kRtsRadioOn, &WirelessConfig::rts, &WirelessConfig::rtsOn},
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

template <typename Work>
auto WithBusyCursor(Work&& work) {
  BusyCursor busy;
  return work();
}

}  // namespace

CModbusTestDlg::CModbusTestDlg(const ToolContext& context) : context_(context) {
  res::BuildDialog(*this, res::kModbusTestDialog);
  auto* address = res::Control<QComboBox>(*this, console_ids::kAddress);
  for (const std::string& item : AddressListItems()) address->addItem(Q(item));
  address->setCurrentIndex(0);
  auto* function = res::Control<QComboBox>(*this, console_ids::kFunction);
  for (const char* code : kRawFunctionCodes) function->addItem(QString::fromUtf8(code));
  function->setCurrentIndex(0);
  res::Control<QLabel>(*this, console_ids::kValueHint)
      ->setText(QString::fromUtf8(RawFunctionHint(kRawFunctionCodes[0])));
  res::Control<QLineEdit>(*this, console_ids::kStartRegister)->setText(QStringLiteral("0001"));
  PreviewIdentification();
  {
    std::lock_guard lock(context_.link.Mutex());  // the poll writes the decoded values
    for (size_t i = 0; i < kLightingSlots; ++i)
      lightingTimes_[i] = PickerTimeOfDay(context_.values.*kLightingRows[i].polled);
  }
  for (size_t i = 0; i < kLightingSlots; ++i) {
    const TimeOfDay& t = lightingTimes_[i];
    res::Control<QDateTimeEdit>(*this, kLightingRows[i].picker)->setTime(QTime(t.hour, t.minute, t.second));
  }
  staticIp_ = 1;
  res::Control<QLineEdit>(*this, console_ids::kListenPort)->setText(QString::number(listenPort_));

  auto on = [this](int id, auto action) {
    connect(res::Control<QPushButton>(*this, id), &QPushButton::clicked, this, action);
  };
  connect(function, &QComboBox::currentIndexChanged, this, [this] { OnFunctionChanged(); });
  connect(address, &QComboBox::currentIndexChanged, this, [this] { PreviewIdentification(); });
  on(console_ids::kComputeCrc, [this] { Compose(); });
  on(console_ids::kSend, [this] { Send(); });
  on(console_ids::kReadIdentification, [this] { ReadIdentification(); });
  on(console_ids::kUpdateIdentification, [this] { UpdateIdentification(); });
  for (size_t i = 0; i < kLightingSlots; ++i) on(kLightingRows[i].button, [this, i] { SetLightingTime(i); });
  connect(res::Control<QRadioButton>(*this, console_ids::kAutomaticIp), &QRadioButton::clicked, this,
          [this] { SelectIpMode(false); });
  connect(res::Control<QRadioButton>(*this, console_ids::kStaticIp), &QRadioButton::clicked, this,
          [this] { SelectIpMode(true); });
  on(console_ids::kReadMac, [this] { ReadMac(); });
  on(console_ids::kWriteMac, [this] { WriteMac(); });
  on(console_ids::kReadNetwork, [this] { ReadNetworkSettings(); });
  on(console_ids::kWriteNetwork, [this] { WriteNetworkSettings(); });
  on(console_ids::kReadWireless, [this] { ReadWireless(); });
  on(console_ids::kWriteWireless, [this] { WriteWireless(); });
  on(console_ids::kReadModbusAddress, [this] { ReadModbusAddress(); });
  on(console_ids::kWriteModbusAddress, [this] { WriteModbusAddress(); });
}

LinkMode CModbusTestDlg::Mode() const { return LinkModeOf(context_.config.Get().workMode); }

void CModbusTestDlg::Show(const std::string& text, const std::string& caption) {
  if (!text.empty()) context_.prompter.Message(this, Q(text), Q(caption));
}

void CModbusTestDlg::ShowFrame(std::span<const uint8_t> frame) { Show(HexBytes(frame)); }

void CModbusTestDlg::SendAndShow(const RtuFrame& frame) {
  Show(WithBusyCursor([&] { return SendWithoutReply(context_.link, Mode(), frame); }));
}

std::optional<uint8_t> CModbusTestDlg::ReadAddressEntry() {
  std::string message;
  const std::optional<uint8_t> unit =
      ParseAddressEntry(res::Control<QComboBox>(*this, console_ids::kAddress)->currentText().toStdString(), message);
  if (!unit) Show(message);
  return unit;
}

bool CModbusTestDlg::TransferPort() {
  const std::optional<int> port =
      ParseIntText(res::Control<QLineEdit>(*this, console_ids::kListenPort)->text().toStdString());
  if (!port) {
    Show(kNotAnIntegerText);
    return false;
  }
  listenPort_ = *port;
  return true;
}

void CModbusTestDlg::PreviewIdentification() {
  std::string ignored;
  const auto unit =
      ParseAddressEntry(res::Control<QComboBox>(*this, console_ids::kAddress)->currentText().toStdString(), ignored);
  if (unit)
    res::Control<QLineEdit>(*this, console_ids::kIdentificationRequest)
        ->setText(Q(HexBytes(IdentificationRequest(*unit).Bytes())));
}

void CModbusTestDlg::OnFunctionChanged() {
  if (const char* hint =
          RawFunctionHint(res::Control<QComboBox>(*this, console_ids::kFunction)->currentText().toStdString()))
    res::Control<QLabel>(*this, console_ids::kValueHint)->setText(QString::fromUtf8(hint));
}

std::optional<RtuFrame> CModbusTestDlg::Compose() {
  TransferPort();  // its prompt comes first; composing goes on regardless
  const RawFields fields{res::Control<QComboBox>(*this, console_ids::kAddress)->currentText().toStdString(),
                         res::Control<QComboBox>(*this, console_ids::kFunction)->currentText().toStdString(),
                         res::Control<QLineEdit>(*this, console_ids::kStartRegister)->text().toStdString(),
                         res::Control<QLineEdit>(*this, console_ids::kValue)->text().toStdString()};
  const Result<ComposedFrame> composed = ComposeRawFrame(fields);
  if (!composed.ok()) {
    Show(composed);
    return std::nullopt;
  }
  res::Control<QLineEdit>(*this, console_ids::kCrc)->setText(Q(composed.value->crcText));
  res::Control<QLineEdit>(*this, console_ids::kFrame)->setText(Q(composed.value->frameText));
  return composed.value->frame;
}

void CModbusTestDlg::Send() {
  const std::optional<RtuFrame> frame = Compose();
  if (!frame) return;
  auto* answer = res::Control<QLineEdit>(*this, console_ids::kAnswer);
  answer->clear();
  const Result<std::string> sent = WithBusyCursor([&] { return SendRawFrame(context_.link, Mode(), *frame); });
  if (sent.value) answer->setText(Q(*sent.value));
  Show(sent);
}

void CModbusTestDlg::ReadIdentification() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  res::Control<QLineEdit>(*this, console_ids::kIdentificationRequest)->setText(Q(HexBytes(IdentificationRequest(*unit).Bytes())));
  const Result<IdentificationAnswer> read =
      WithBusyCursor([&] { return kaviro::ReadIdentification(context_.link, Mode(), *unit); });
  if (read.value) {
    res::Control<QLineEdit>(*this, console_ids::kIdentificationAnswer)->setText(Q(read.value->answerText));
    if (read.value->objects)
      for (size_t i = 0; i < kIdentificationObjects; ++i)
        res::Control<QLineEdit>(*this, kIdentificationEdits[i])->setText(Q((*read.value->objects)[i]));
  }
  Show(read);
}

void CModbusTestDlg::UpdateIdentification() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  IdentificationTexts texts;
  for (size_t i = 0; i < kIdentificationObjects; ++i)
    texts[i] = res::Control<QLineEdit>(*this, kIdentificationEdits[i])->text().toStdString();
  const Result<RtuFrame> update = BuildIdentificationUpdate(*unit, texts);
  if (!update.ok()) return Show(update);
  const std::string frameText = HexBytes(update.value->Bytes());
  res::Control<QLineEdit>(*this, console_ids::kIdentificationAnswer)->setText(Q(frameText));
  Show(frameText);
  SendAndShow(*update.value);
}

void CModbusTestDlg::SetLightingTime(size_t slot) {
  TransferPort();  // its prompt comes first; the write goes on regardless
  const QTime t = res::Control<QDateTimeEdit>(*this, kLightingRows[slot].picker)->time();
  const uint32_t v = SecondOfDay(t.hour(), t.minute(), t.second());
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  const RtuFrame frame = LightingFrame(*unit, kLightingSlotTable[slot].reg, v);
  ShowFrame(frame.Bytes());
  SendAndShow(frame);
}

void CModbusTestDlg::SelectIpMode(bool isStatic) {
  for (int id : kIpControls) res::Control(*this, id)->setEnabled(isStatic);
  staticIp_ = isStatic ? 1 : 0;
}

void CModbusTestDlg::ReadMac() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  ShowFrame(MacReadRequest(*unit).Bytes());
  const Result<std::string> read = WithBusyCursor([&] { return kaviro::ReadMac(context_.link, Mode(), *unit); });
  if (read.value) res::Control<QLineEdit>(*this, console_ids::kMac)->setText(Q(*read.value));
  Show(read);
}

void CModbusTestDlg::WriteMac() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  const Result<RtuFrame> write = BuildMacWrite(*unit, res::Control<QLineEdit>(*this, console_ids::kMac)->text().toStdString());
  if (!write.ok()) return Show(write);
  ShowFrame(write.value->Bytes());
  SendAndShow(*write.value);
}

void CModbusTestDlg::ReadNetworkSettings() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  ShowFrame(NetworkReadRequest(*unit).Bytes());
  const Result<NetworkSettings> read =
      WithBusyCursor([&] { return kaviro::ReadNetworkSettings(context_.link, Mode(), *unit); });
  if (read.value) {
    const NetworkSettings& s = *read.value;
    listenPort_ = s.port;
    res::Control<QLineEdit>(*this, console_ids::kListenPort)->setText(QString::number(listenPort_));
    staticIp_ = s.mode;
    for (int id : kIpControls) res::Control(*this, id)->setEnabled(staticIp_ != 0);
    res::Control<QRadioButton>(*this, console_ids::kAutomaticIp)->setChecked(staticIp_ == 0);
    res::Control<QRadioButton>(*this, console_ids::kStaticIp)->setChecked(staticIp_ != 0);
    res::Control<res::IpAddressEdit>(*this, console_ids::kIp)->SetAddress(s.ip);
    res::Control<res::IpAddressEdit>(*this, console_ids::kMask)->SetAddress(s.mask);
    res::Control<res::IpAddressEdit>(*this, console_ids::kGateway)->SetAddress(s.gateway);
  }
  Show(read);
}

void CModbusTestDlg::WriteNetworkSettings() {
  if (!TransferPort()) return;
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  NetworkSettings s;
  s.mode = static_cast<uint16_t>(staticIp_);
  s.port = listenPort_;
  const auto ip = res::Control<res::IpAddressEdit>(*this, console_ids::kIp)->Address();
  const auto mask = res::Control<res::IpAddressEdit>(*this, console_ids::kMask)->Address();
  const auto gateway = res::Control<res::IpAddressEdit>(*this, console_ids::kGateway)->Address();
  if (!ip || !mask || !gateway) return Show(kAddressFormatRefusal);
  s.ip = *ip;
  s.mask = *mask;
  s.gateway = *gateway;
  const Result<RtuFrame> write = BuildNetworkWrite(*unit, s);
  if (!write.ok()) return Show(write);
  ShowFrame(write.value->Bytes());
  SendAndShow(*write.value);
}

void CModbusTestDlg::ReadWireless() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  ShowFrame(WirelessReadRequest(*unit).Bytes());
  const Result<WirelessConfig> read = WithBusyCursor([&] { return ReadWirelessConfig(context_.link, Mode(), *unit); });
  if (read.value) {
    for (const RadioRow& row : kRadioRows) {
      res::Control<QLineEdit>(*this, row.edit)->setText(Q((*read.value).*row.address));
      if (row.check) res::Control<QCheckBox>(*this, row.check)->setChecked((*read.value).*row.enabled);
    }
  }
  Show(read);
}

void CModbusTestDlg::WriteWireless() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  WirelessConfig config;
  for (const RadioRow& row : kRadioRows) {
    config.*row.address = res::Control<QLineEdit>(*this, row.edit)->text().toStdString();
    if (row.check) config.*row.enabled = res::Control<QCheckBox>(*this, row.check)->isChecked();
  }
  const Result<RtuFrame> write = BuildWirelessWrite(*unit, config);
  if (!write.ok()) return Show(write);
  ShowFrame(write.value->Bytes());
  SendAndShow(*write.value);
}

void CModbusTestDlg::ReadModbusAddress() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  ShowFrame(ModbusAddressRequest(*unit).Bytes());
  const Result<int> read = WithBusyCursor([&] { return kaviro::ReadModbusAddress(context_.link, Mode(), *unit); });
  if (read.value) res::Control<QPushButton>(*this, console_ids::kModbusAddressShown)->setText(Q(ModbusAddressCaption(*read.value)));
  Show(read);
}

void CModbusTestDlg::WriteModbusAddress() {
  const std::optional<uint8_t> unit = ReadAddressEntry();
  if (!unit) return;
  const std::optional<uint8_t> next =
      ParseModbusAddressText(res::Control<QLineEdit>(*this, console_ids::kNewModbusAddress)->text().toStdString());
  if (!next) return Show(kModbusAddressRefusal);
  ShowFrame(ModbusAddressWrite(*unit, *next).Bytes());
  Show(WithBusyCursor([&] { return kaviro::WriteModbusAddress(context_.link, Mode(), *unit, *next); }));
}

void CModbusTestDlg::FillRawFields(const RawFields& fields) {
  for (const auto& [id, text] : {std::pair{console_ids::kAddress, fields.address}, {console_ids::kFunction, fields.function}}) {
    auto* list = res::Control<QComboBox>(*this, id);
    const int at = list->findText(QString::fromStdString(text));
    if (at >= 0) list->setCurrentIndex(at);
  }
  res::Control<QLineEdit>(*this, console_ids::kStartRegister)->setText(QString::fromStdString(fields.start));
  res::Control<QLineEdit>(*this, console_ids::kValue)->setText(QString::fromStdString(fields.value));
}

}  // namespace kaviro
