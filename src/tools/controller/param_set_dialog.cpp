#include "tools/controller/param_set_dialog.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>

#include "config/app_config.h"
#include "res/dialog_builder.h"
#include "res/param_dialog_ids.h"
#include "res/prompter.h"
#include "res/templates.h"
#include "tools/common/busy_cursor.h"
#include "tools/controller/param_settings.h"

namespace kaviro {

namespace {

// The five rows nobody is meant to set here (battery limits, rated current, float entry current,
// overload delay) and the statics that go with them.
constexpr int kHiddenAtStart[] = {
    param_ids::kBatteryMinCaption, param_ids::kBatteryMinDisplay, param_ids::kBatteryMinUnit,
    param_ids::kBatteryMinRead, param_ids::kBatteryMinSetTo, param_ids::kBatteryMinInput,
    param_ids::kBatteryMinInputUnit, param_ids::kBatteryMinRange, param_ids::kBatteryMinSet,
    param_ids::kBatteryMaxCaption, param_ids::kBatteryMaxDisplay, param_ids::kBatteryMaxUnit,
    param_ids::kBatteryMaxRead, param_ids::kBatteryMaxSetTo, param_ids::kBatteryMaxInput,
    param_ids::kBatteryMaxInputUnit, param_ids::kBatteryMaxRange, param_ids::kBatteryMaxSet,
    param_ids::kLoadRatedCurrentCaption, param_ids::kLoadRatedCurrentDisplay, param_ids::kLoadRatedCurrentUnit,
    param_ids::kLoadRatedCurrentRead, param_ids::kLoadRatedCurrentSetTo, param_ids::kLoadRatedCurrentInput,
    param_ids::kLoadRatedCurrentInputUnit, param_ids::kLoadRatedCurrentRange, param_ids::kLoadRatedCurrentSet,
    param_ids::kFloatEntryCurrentCaption, param_ids::kFloatEntryCurrentDisplay, param_ids::kFloatEntryCurrentUnit,
    param_ids::kFloatEntryCurrentRead, param_ids::kFloatEntryCurrentSetTo, param_ids::kFloatEntryCurrentInput,
    param_ids::kFloatEntryCurrentInputUnit, param_ids::kFloatEntryCurrentRange, param_ids::kFloatEntryCurrentSet,
    param_ids::kOverloadDelayCaption, param_ids::kOverloadDelayDisplay, param_ids::kOverloadDelayUnit,
    param_ids::kOverloadDelayRead, param_ids::kOverloadDelaySetTo, param_ids::kOverloadDelayInput,
    param_ids::kOverloadDelayInputUnit, param_ids::kOverloadDelayRange, param_ids::kOverloadDelaySet};

// Filled from the cache after the clock was read.
constexpr uint16_t kFilledAfterClock = 0x0047;

// The controller's clock holds signed seconds from 2000 on: the pickers offer no date beyond.
const QDate kEarliestDate(1932, 1, 1);
const QDate kLatestDate(2067, 12, 31);

}  // namespace

CParamSetDlg::CParamSetDlg(const ToolContext& context) : context_(context) {
  res::BuildDialog(*this, res::kParamSetDialog);
  date_ = res::Control<QDateTimeEdit>(*this, param_ids::kClockDate);
  time_ = res::Control<QDateTimeEdit>(*this, param_ids::kClockTime);
  const QDateTime now = QDateTime::currentDateTime();
  for (QDateTimeEdit* picker : {date_, time_}) {
    picker->setDateRange(kEarliestDate, kLatestDate);
    picker->setDateTime(now);
  }

  auto on = [this](int id, auto action) {
    connect(res::Control<QPushButton>(*this, id), &QPushButton::clicked, this, action);
  };
  for (const ParamRow& row : ParamRows()) {
    on(row.readId, [this, &row] { ReadRow(row); });
    on(row.setId, [this, &row] { WriteRow(row); });
  }
  on(param_ids::kClockRead, [this] { ReadControllerClock(); });
  on(param_ids::kClockSet, [this] { WriteControllerClock(); });
}

void CParamSetDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!initialised_) Initialise();
}

void CParamSetDlg::Initialise() {
  initialised_ = true;
  for (int id : kHiddenAtStart) res::Control(*this, id)->hide();
  if (!ParamLinkUsable(context_.link, Mode())) {
    context_.prompter.Message(this, QString::fromUtf8(ParamLinkMissingText(Mode())));
    return;
  }
  const DecodedValues cached = CachedParams(context_.link, context_.values);
  for (const ParamRow& row : ParamRows())
    if (row.reg != kFilledAfterClock) ShowCached(row, cached);
  ReadControllerClock();
  ShowCached(*FindParamRow(kFilledAfterClock), cached);
}

void CParamSetDlg::ShowCached(const ParamRow& row, const DecodedValues& cached) {
  res::Control<QLineEdit>(*this, row.displayId)->setText(QString::fromStdString(ParamDisplayText(row, cached)));
}

LinkMode CParamSetDlg::Mode() const { return LinkModeOf(context_.config.Get().workMode); }

uint8_t CParamSetDlg::Unit() const { return static_cast<uint8_t>(context_.config.Get().deviceId); }

void CParamSetDlg::Tell(const Result<>& result) {
  for (const Notice& n : result.notices) {
    QWidget* owner = n.application ? context_.window : this;
    context_.prompter.Message(owner, QString::fromStdString(n.text));
  }
}

void CParamSetDlg::ReadRow(const ParamRow& row) {
  const Result<ParamValue> read = [&] {
    BusyCursor busy;
    return ReadParamRow(context_.link, Mode(), Unit(), row, context_.values);
  }();
  if (read.ok()) res::Control<QLineEdit>(*this, row.displayId)->setText(QString::fromStdString(read.value->text));
  Tell(read);
}

void CParamSetDlg::WriteRow(const ParamRow& row) {
  const std::string input = res::Control<QLineEdit>(*this, row.inputId)->text().toStdString();
  const Result<uint16_t> wrote = [&] {
    BusyCursor busy;
    return WriteParamRegister(context_.link, Mode(), Unit(), row, input);
  }();
  Tell(wrote);
}

void CParamSetDlg::ReadControllerClock() {
  const Result<ClockValue> read = [&] {
    BusyCursor busy;
    return kaviro::ReadControllerClock(context_.link, Mode(), Unit());
  }();
  if (read.ok() && read.value->time) {
    const LocalDateTime& t = *read.value->time;
    const QDateTime shown(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
    date_->setDateTime(shown);
    time_->setDateTime(shown);
  }
  Tell(read);
}

void CParamSetDlg::WriteControllerClock() {
  const QDate d = date_->date();
  const QTime t = time_->time();
  const LocalDateTime chosen{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
  const Result<> wrote = [&] {
    BusyCursor busy;
    return kaviro::WriteControllerClock(context_.link, Mode(), Unit(), chosen);
  }();
  Tell(wrote);
}

}  // namespace kaviro
