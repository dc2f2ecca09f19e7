#include "tools/relay/relay_dev_dialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "config/app_config.h"
#include "link/text_format.h"
#include "res/dialog_builder.h"
#include "res/prompter.h"
#include "res/relay_dialog_ids.h"
#include "res/templates.h"
#include "tools/common/address_entry.h"
#include "tools/common/busy_cursor.h"
#include "tools/controller/param_settings.h"
#include "tools/relay/rd_buttons.h"

namespace kaviro {

namespace {

constexpr const char* kPorts[] = {"COM1", "COM2", "COM3", "COM4", "COM5",  "COM6",  "COM7",
                                  "COM8", "COM9", "COM10", "COM11", "COM12", "COM13", "COM14"};
constexpr const char* kBaudRates[] = {"2400", "4800", "9600", "19200", "38400", "54600", "115200"};
constexpr const char* kFunctions[] = {"03", "05", "06", "10"};
constexpr const char* kBatteryCounts[] = {"1节12V", "2节24V", "4节48V"};

// Without a network link to an RD the controller says is connected, nothing can be sent.
constexpr int kSendingControls[] = {
    relay_ids::kReadAddress,    relay_ids::kWriteAddress, relay_ids::kWirelessAddress, relay_ids::kActiveMode,
    relay_ids::kPassiveMode,    relay_ids::kRelay1Off,    relay_ids::kRelay1On,        relay_ids::kRelay2Off,
    relay_ids::kRelay2On,       relay_ids::kRelay3Off,    relay_ids::kRelay3On,        relay_ids::kBuzzerEnabled,
    relay_ids::kBuzzerDisabled, relay_ids::kBuzzerQuiet,  relay_ids::kBuzzerSounding,  relay_ids::kBatteryCount,
    relay_ids::kBatteryVoltage, relay_ids::kRelay1Action, relay_ids::kRelay1Restore,   relay_ids::kRelay2Action,
    relay_ids::kRelay2Restore,  relay_ids::kRelay3Action, relay_ids::kRelay3Restore,   relay_ids::kAlarmVoltage,
    relay_ids::kWarningVoltage};

constexpr int kRelayOn[] = {relay_ids::kRelay1On, relay_ids::kRelay2On, relay_ids::kRelay3On};
constexpr int kRelayOff[] = {relay_ids::kRelay1Off, relay_ids::kRelay2Off, relay_ids::kRelay3Off};
constexpr int kRelayRadios[] = {relay_ids::kRelay1Off, relay_ids::kRelay1On,  relay_ids::kRelay2Off,
                                relay_ids::kRelay2On,  relay_ids::kRelay3Off, relay_ids::kRelay3On};
constexpr int kRangeEdits[3][2] = {{relay_ids::kRelay1Action, relay_ids::kRelay1Restore},
                                   {relay_ids::kRelay2Action, relay_ids::kRelay2Restore},
                                   {relay_ids::kRelay3Action, relay_ids::kRelay3Restore}};
constexpr int kWarningEdits[] = {relay_ids::kAlarmVoltage, relay_ids::kWarningVoltage};
constexpr int kIdentityEdits[] = {relay_ids::kVendorName, relay_ids::kProductCode, relay_ids::kHardwareVersion,
                                  relay_ids::kSoftwareVersion, relay_ids::kSerialNumber};

constexpr int kFirstDeviceChoice = 57;  // "3A"

template <size_t N>
void Fill(QComboBox& combo, const char* const (&items)[N]) {
  for (const char* item : items) combo.addItem(QString::fromUtf8(item));
}

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

CRelayDevDlg::CRelayDevDlg(const ToolContext& context, RelayMemory& memory)
    : context_(context), memory_(memory), rdWirelessAddress_(kRdFactoryWirelessAddress) {
  res::BuildDialog(*this, res::kRelayDialog);
  Fill(*Combo(relay_ids::kPort), kPorts);
  Fill(*Combo(relay_ids::kBaudRate), kBaudRates);
  Fill(*Combo(relay_ids::kBuilderFunction), kFunctions);
  Fill(*Combo(relay_ids::kBatteryCount), kBatteryCounts);
  Combo(relay_ids::kBatteryCount)->setCurrentIndex(-1);  // no battery count chosen until the RD tells

  const bool network = LinkModeOf(context_.config.Get().workMode) == LinkMode::kNetwork;
  if (network && CachedParams(context_.link, context_.values).rdLinkSetting == 0) {
    for (const std::string& item : AddressListItems()) {
      Combo(relay_ids::kBuilderDevice)->addItem(QString::fromStdString(item));
      Combo(relay_ids::kModbusId)->addItem(QString::fromStdString(item));
    }
    Combo(relay_ids::kBuilderDevice)->setCurrentIndex(kFirstDeviceChoice);
    Combo(relay_ids::kBuilderFunction)->setCurrentIndex(0);
    Combo(relay_ids::kPort)->setCurrentIndex(1);
    Combo(relay_ids::kBaudRate)->setCurrentIndex(2);
    Combo(relay_ids::kModbusId)->setCurrentIndex(-1);
    Edit(relay_ids::kBuilderAddress)->setText(QStringLiteral("0020"));
    Edit(relay_ids::kBuilderCountOrData)->setText(QStringLiteral("0004"));
  } else {
    for (int id : kSendingControls) SetEnabled(id, false);
  }

  for (const RdButton& button : RdButtons()) {
    const int id = button.id;
    if (button.selection)
      connect(Combo(id), &QComboBox::activated, this, [this, id] { Press(id); });
    else
      connect(res::Control<QAbstractButton>(*this, id), &QAbstractButton::clicked, this, [this, id] { Press(id); });
  }
  connect(res::Control<QPushButton>(*this, relay_ids::kRunBuilder), &QPushButton::clicked, this,
          [this] { RunInternalCommand(); });
  connect(res::Control<QPushButton>(*this, relay_ids::kExit), &QPushButton::clicked, this, [this] { accept(); });
}

QLineEdit* CRelayDevDlg::Edit(int id) const { return res::Control<QLineEdit>(*this, id); }
QComboBox* CRelayDevDlg::Combo(int id) const { return res::Control<QComboBox>(*this, id); }
void CRelayDevDlg::SetEnabled(int id, bool enabled) { res::Control(*this, id)->setEnabled(enabled); }
void CRelayDevDlg::Check(int id) { res::Control<QAbstractButton>(*this, id)->setChecked(true); }

void CRelayDevDlg::Press(int id) {
  const RdButton* button = FindRdButton(id);
  if (!button) return;
  RdInputs inputs;
  inputs.modbusIdIndex = Combo(relay_ids::kModbusId)->currentIndex();
  inputs.batteryIndex = Combo(relay_ids::kBatteryCount)->currentIndex();
  for (size_t k = 0; k < 3; ++k)
    inputs.ranges[k] = {Text(Edit(kRangeEdits[k][0])), Text(Edit(kRangeEdits[k][1]))};
  for (size_t k = 0; k < 2; ++k) inputs.warnings[k] = Text(Edit(kWarningEdits[k]));
  const RdDeviceChoice choice{Combo(relay_ids::kModbusId)->currentText().toStdString(), rdWirelessAddress_[5],
                              memory_.lastRdModbusId};
  const RdPress press = RdButtonTexts(*button, choice, inputs);
  if (!press.texts) {
    context_.prompter.Message(this, QString::fromStdString(press.refusal));
    return;
  }
  for (int e : button->enable) SetEnabled(e, true);
  for (int d : button->disable) SetEnabled(d, false);
  if (button->asciiFromAddress) Edit(relay_ids::kBuilderAscii)->setText(Edit(relay_ids::kWirelessAddress)->text());
  const RdBuilderTexts& texts = *press.texts;
  Combo(relay_ids::kBuilderDevice)->setEditText(QString::fromStdString(texts.device));
  Combo(relay_ids::kBuilderFunction)->setEditText(QString::fromStdString(texts.function));
  Edit(relay_ids::kBuilderAddress)->setText(QString::fromStdString(texts.address));
  Edit(relay_ids::kBuilderCountOrData)->setText(QString::fromStdString(texts.countOrData));

  // The new ModbusID is the RD's address from now on, once the RD took it.
  if (RunInternalCommand() && button->remembersModbusId)
    memory_.lastRdModbusId = Combo(relay_ids::kModbusId)->currentText().toStdString();
}

bool CRelayDevDlg::RunInternalCommand() {
  const RdBuilderTexts texts{Combo(relay_ids::kBuilderDevice)->currentText().toStdString(),
                             Combo(relay_ids::kBuilderFunction)->currentText().toStdString(),
                             Text(Edit(relay_ids::kBuilderAddress)), Text(Edit(relay_ids::kBuilderCountOrData)),
                             Text(Edit(relay_ids::kBuilderAscii))};
  const Result<RdAnswer> run = [&] {
    BusyCursor busy;
    return ::kaviro::RunInternalCommand(context_.link, texts, memory_);
  }();
  for (const Notice& n : run.notices)
    context_.prompter.Message(n.application ? nullptr : this, QString::fromStdString(n.text));
  if (!run.ok()) return false;
  Edit(relay_ids::kBuilderAnswer)->setText(QString::fromStdString(run.value->dump));
  Apply(run.value->decoded);
  Edit(relay_ids::kBuilderResult)->setText(QString::fromStdString(run.value->decoded.text));
  return true;
}

void CRelayDevDlg::Apply(const RdDecoded& d) {
  if (d.wirelessAddress) {
    std::copy(d.wirelessAddress->begin(), d.wirelessAddress->end(), rdWirelessAddress_.begin() + 1);
    if (d.showWirelessAddress) {
      std::string digits;
      for (uint8_t b : *d.wirelessAddress) digits += Format("%02X", b);
      Edit(relay_ids::kWirelessAddress)->setText(QString::fromStdString(digits));
    }
  }
  if (d.identity)
    for (size_t k = 0; k < d.identity->size(); ++k)
      Edit(kIdentityEdits[k])->setText(QString::fromStdString((*d.identity)[k]));
  if (d.range) {
    Edit(kRangeEdits[d.range->relay][0])->setText(QString::fromStdString(d.range->action));
    Edit(kRangeEdits[d.range->relay][1])->setText(QString::fromStdString(d.range->offset));
  }
  if (d.warning) Edit(kWarningEdits[d.warning->index])->setText(QString::fromStdString(d.warning->volts));
  if (!d.info) return;

  const RdInfo& info = *d.info;
  for (size_t k = 0; k < 3; ++k) Check(info.relays[k] ? kRelayOn[k] : kRelayOff[k]);
  if (info.runMode == 0) Check(relay_ids::kActiveMode);
  if (info.runMode == 1) Check(relay_ids::kPassiveMode);
  for (int id : kRelayRadios) SetEnabled(id, info.runMode != 0);
  if (info.buzzerMode == 0) Check(relay_ids::kBuzzerEnabled);
  if (info.buzzerMode == 1) Check(relay_ids::kBuzzerDisabled);
  SetEnabled(relay_ids::kBuzzerQuiet, info.buzzerMode == 0);
  SetEnabled(relay_ids::kBuzzerSounding, info.buzzerMode == 0);
  if (info.buzzerState == 0) Check(relay_ids::kBuzzerQuiet);
  if (info.buzzerState == 1) Check(relay_ids::kBuzzerSounding);
  Edit(relay_ids::kBatteryVoltage)->setText(QString::fromStdString(info.batteryText));
  Combo(relay_ids::kModbusId)
      ->setCurrentIndex(info.modbusIdIndex < Combo(relay_ids::kModbusId)->count() ? info.modbusIdIndex : -1);
  if (info.batteryIndex) Combo(relay_ids::kBatteryCount)->setCurrentIndex(*info.batteryIndex);
  res::Control<QLabel>(*this, relay_ids::kReadCount)->setText(QString::number(info.readCount));
}

}  // namespace kaviro
