#include "tools/controller/controller_info_dialog.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "config/app_config.h"
#include "link/text_format.h"
#include "res/controller_info_dialog_ids.h"
#include "res/dialog_builder.h"
#include "res/prompter.h"
#include "res/templates.h"
#include "tools/common/busy_cursor.h"

namespace kaviro {

namespace {
constexpr char kSwitchNumbers[] = " 1     2     3  4     5  6  7    8";

// The switch numbers stand under their indicators only when every character of the number row
// is equally wide, as in the font the dialog was laid out for: a fixed-pitch font spaced to the
// label's own width per character.
void SpaceEvenly(QLabel& label) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(label.font().pointSizeF());
  const qreal advance = static_cast<qreal>(label.width()) / static_cast<qreal>(label.text().size());
  font.setLetterSpacing(QFont::AbsoluteSpacing, advance - QFontMetricsF(font).horizontalAdvance(QLatin1Char('1')));
  label.setFont(font);
}
}  // namespace

CControllerInfoDlg::CControllerInfoDlg(const ToolContext& context) : context_(context) {
  res::BuildDialog(*this, res::kControllerInfoDialog);
  auto on = [this](int id, void (CControllerInfoDlg::*handler)()) {
    connect(res::Control<QPushButton>(*this, id), &QPushButton::clicked, this, handler);
  };
  on(info_ids::kReadPresets, &CControllerInfoDlg::ReadTable);
  on(info_ids::kSetCustomRow, &CControllerInfoDlg::SetCustomRow);
  on(info_ids::kReadSwitches, &CControllerInfoDlg::ReadSwitches);
  on(info_ids::kReadFaultsAndAlarms, &CControllerInfoDlg::ReadFaultsAndAlarms);

  for (QLabel* label : findChildren<QLabel*>())
    if (label->text() == QString::fromUtf8(kSwitchNumbers)) SpaceEvenly(*label);
  // Long bit names wrap onto a second line, as statics do.
  for (const auto& labels : {std::span<const InfoLabel>(kFaultLabels), std::span<const InfoLabel>(kAlarmLabels)})
    for (const InfoLabel& bit : labels) res::Control<QLabel>(*this, bit.id)->setWordWrap(true);
}

LinkMode CControllerInfoDlg::Mode() const { return LinkModeOf(context_.config.Get().workMode); }

uint8_t CControllerInfoDlg::Unit() const { return static_cast<uint8_t>(context_.config.Get().deviceId); }

void CControllerInfoDlg::Say(const Notice& n) {
  context_.prompter.Message(this, QString::fromStdString(n.text), QString::fromStdString(n.caption));
}

void CControllerInfoDlg::Light(int id, bool lit) { res::Control(*this, id)->setEnabled(lit); }

void CControllerInfoDlg::SetText(int id, const QString& text) {
  if (auto* edit = res::Control<QLineEdit>(*this, id)) edit->setText(text);
  else if (auto* label = res::Control<QLabel>(*this, id)) label->setText(text);
}

void CControllerInfoDlg::ReadTable() {
  const Result<PresetWords> read = [&] {
    BusyCursor busy;
    return ReadPresetTable(context_.link, Mode(), Unit());
  }();
  if (read.value) {
    const PresetTexts texts = PresetTableTexts(*read.value);
    for (int i = 0; i < kPresetRows; ++i)
      for (int j = 0; j < kPresetColumns; ++j) SetText(PresetEditId(i, j), QString::fromStdString(texts[i][j]));
  }
  Show(read);
}

void CControllerInfoDlg::SetCustomRow() {
  PresetRow typed;
  for (int j = 0; j < kPresetColumns; ++j)
    typed[j] = res::Control<QLineEdit>(*this, PresetEditId(kCustomPresetRow, j))->text().toStdString();
  const Result<CustomPresetWords> check = CheckCustomPreset(typed);
  if (!check.ok()) {
    Show(check);
    res::Control(*this, PresetEditId(kCustomPresetRow, check.notices.front().field))->setFocus();
    return;
  }
  const RtuFrame frame = CustomPresetFrame(Unit(), *check.value);
  // The frame is shown first and goes out once the user has seen it.
  context_.prompter.Message(this, QString::fromStdString(HexBytes(frame.Bytes())));
  const Result<> sent = [&] {
    BusyCursor busy;
    return SendCustomPreset(context_.link, Mode(), frame);
  }();
  Show(sent);
}

void CControllerInfoDlg::ReadSwitches() {
  const Result<uint16_t> read = [&] {
    BusyCursor busy;
    return ReadInfoRegister(context_.link, Mode(), Unit(), kDipRegister);
  }();
  Show(read);
  if (!read.value) return;
  const DipView view = DecodeDip(*read.value);
  for (int k = 0; k < kDipSwitches; ++k) {
    SetText(kDipIndicators[k].onId, view.on[k] ? QStringLiteral("1") : QString());
    SetText(kDipIndicators[k].offId, view.on[k] ? QString() : QStringLiteral("0"));
  }
  for (int g = 0; g < kDipGroups; ++g) {
    const DipGroup& group = kDipGroupTable[g];
    for (int o = 0; o < group.count; ++o) Light(group.options[o].id, group.options[o].id == view.lit[g].id);
  }
  SetText(info_ids::kSwitchReadCount, QString::number(++switchReads_));
}

void CControllerInfoDlg::ReadFaultsAndAlarms() {
  const Result<FaultAlarmWords> read = [&] {
    BusyCursor busy;
    return kaviro::ReadFaultsAndAlarms(context_.link, Mode(), Unit());
  }();
  auto lightBits = [this](uint16_t word, std::span<const InfoLabel> labels) {
    for (size_t k = 0; k < labels.size(); ++k) Light(labels[k].id, word >> k & 1);
  };
  if (read.value) lightBits(read.value->faults, kFaultLabels);
  if (read.value && read.value->alarms) lightBits(*read.value->alarms, kAlarmLabels);
  Show(read);
  if (read.ok()) SetText(info_ids::kFaultReadCount, QString::number(++faultReads_));
}

}  // namespace kaviro
