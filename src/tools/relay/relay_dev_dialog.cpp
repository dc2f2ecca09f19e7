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
constexpr int kSendingControls[] = {1464, 1465, 1463, 1472, 1473, 1474, 1036, 1037, 1038, 1039, 1040, 1041,
                                    1042, 1043, 1044, 1475, 1483, 1009, 1010, 1011, 1012, 1013, 1014, 1015, 1016};

constexpr int kRelayOn[] = {1036, 1038, 1040};
constexpr int kRelayOff[] = {1474, 1037, 1039};
constexpr int kRelayRadios[] = {1474, 1036, 1037, 1038, 1039, 1040};
constexpr int kRangeEdits[3][2] = {{1009, 1010}, {1011, 1012}, {1013, 1014}};
constexpr int kWarningEdits[] = {1015, 1016};
constexpr int kIdentityEdits[] = {1002, 1003, 1005, 1006, 1008};

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
  Fill(*Combo(1466), kPorts);
  Fill(*Combo(1467), kBaudRates);
  Fill(*Combo(1470), kFunctions);
  Fill(*Combo(1475), kBatteryCounts);
  Combo(1475)->setCurrentIndex(-1);  // no battery count chosen until the RD tells

  const bool network = LinkModeOf(context_.config.Get().workMode) == LinkMode::kNetwork;
  if (network && CachedParams(context_.link, context_.values).rdLinkSetting == 0) {
    for (const std::string& item : AddressListItems()) {
      Combo(1469)->addItem(QString::fromStdString(item));
      Combo(1489)->addItem(QString::fromStdString(item));
    }
    Combo(1469)->setCurrentIndex(kFirstDeviceChoice);
    Combo(1470)->setCurrentIndex(0);
    Combo(1466)->setCurrentIndex(1);
    Combo(1467)->setCurrentIndex(2);
    Combo(1489)->setCurrentIndex(-1);
    Edit(1476)->setText(QStringLiteral("0020"));
    Edit(1477)->setText(QStringLiteral("0004"));
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
  connect(res::Control<QPushButton>(*this, 1020), &QPushButton::clicked, this, [this] { RunInternalCommand(); });
  connect(res::Control<QPushButton>(*this, 1), &QPushButton::clicked, this, [this] { accept(); });
}

QLineEdit* CRelayDevDlg::Edit(int id) const { return res::Control<QLineEdit>(*this, id); }
QComboBox* CRelayDevDlg::Combo(int id) const { return res::Control<QComboBox>(*this, id); }
void CRelayDevDlg::SetEnabled(int id, bool enabled) { res::Control(*this, id)->setEnabled(enabled); }
void CRelayDevDlg::Check(int id) { res::Control<QAbstractButton>(*this, id)->setChecked(true); }

void CRelayDevDlg::Press(int id) {
  const RdButton* button = FindRdButton(id);
  if (!button) return;
  RdInputs inputs;
  inputs.modbusIdIndex = Combo(1489)->currentIndex();
  inputs.batteryIndex = Combo(1475)->currentIndex();
  for (size_t k = 0; k < 3; ++k)
    inputs.ranges[k] = {Text(Edit(kRangeEdits[k][0])), Text(Edit(kRangeEdits[k][1]))};
  for (size_t k = 0; k < 2; ++k) inputs.warnings[k] = Text(Edit(kWarningEdits[k]));
  const RdDeviceChoice choice{Combo(1489)->currentText().toStdString(), rdWirelessAddress_[5],
                              memory_.lastRdModbusId};
  const RdPress press = RdButtonTexts(*button, choice, inputs);
  if (!press.texts) {
    context_.prompter.Message(this, QString::fromStdString(press.refusal));
    return;
  }
  for (int e : button->enable) SetEnabled(e, true);
  for (int d : button->disable) SetEnabled(d, false);
  if (button->asciiFromAddress) Edit(1478)->setText(Edit(1463)->text());
  const RdBuilderTexts& texts = *press.texts;
  Combo(1469)->setEditText(QString::fromStdString(texts.device));
  Combo(1470)->setEditText(QString::fromStdString(texts.function));
  Edit(1476)->setText(QString::fromStdString(texts.address));
  Edit(1477)->setText(QString::fromStdString(texts.countOrData));

  // The new ModbusID is the RD's address from now on, once the RD took it.
  if (RunInternalCommand() && button->remembersModbusId)
    memory_.lastRdModbusId = Combo(1489)->currentText().toStdString();
}

bool CRelayDevDlg::RunInternalCommand() {
  const RdBuilderTexts texts{Combo(1469)->currentText().toStdString(), Combo(1470)->currentText().toStdString(),
                             Text(Edit(1476)), Text(Edit(1477)), Text(Edit(1478))};
  const RdRun run = [&] {
    BusyCursor busy;
    return ::kaviro::RunInternalCommand(context_.link, texts, memory_);
  }();
  if (!run.reply.ok()) {
    if (!run.reply.message.empty())
      context_.prompter.Message(run.reply.applicationMessage ? nullptr : this,
                                QString::fromStdString(run.reply.message));
    return false;
  }
  Edit(1007)->setText(QString::fromStdString(run.dump));
  Apply(run.decoded);
  Edit(1479)->setText(QString::fromStdString(run.decoded.text));
  return true;
}

void CRelayDevDlg::Apply(const RdDecoded& d) {
  if (d.wirelessAddress) {
    std::copy(d.wirelessAddress->begin(), d.wirelessAddress->end(), rdWirelessAddress_.begin() + 1);
    if (d.showWirelessAddress) {
      std::string digits;
      for (uint8_t b : *d.wirelessAddress) digits += Format("%02X", b);
      Edit(1463)->setText(QString::fromStdString(digits));
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
  if (info.runMode == 0) Check(1472);
  if (info.runMode == 1) Check(1473);
  for (int id : kRelayRadios) SetEnabled(id, info.runMode != 0);
  if (info.buzzerMode == 0) Check(1041);
  if (info.buzzerMode == 1) Check(1042);
  SetEnabled(1043, info.buzzerMode == 0);
  SetEnabled(1044, info.buzzerMode == 0);
  if (info.buzzerState == 0) Check(1043);
  if (info.buzzerState == 1) Check(1044);
  Edit(1483)->setText(QString::fromStdString(info.batteryText));
  Combo(1489)->setCurrentIndex(info.modbusIdIndex < Combo(1489)->count() ? info.modbusIdIndex : -1);
  if (info.batteryIndex) Combo(1475)->setCurrentIndex(*info.batteryIndex);
  res::Control<QLabel>(*this, 1490)->setText(QString::number(info.readCount));
}

}  // namespace kaviro
