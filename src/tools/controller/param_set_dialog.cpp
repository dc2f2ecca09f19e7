#include "tools/controller/param_set_dialog.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>

#include "app/main_frame.h"
#include "app/prompter.h"
#include "res/dialog_builder.h"
#include "res/templates.h"
#include "tools/common/busy_cursor.h"
#include "tools/controller/param_settings.h"

namespace kaviro {

namespace {

// The five rows nobody is meant to set here (battery limits, rated current, float entry current,
// overload delay) and the statics that go with them.
constexpr int kHiddenAtStart[] = {1374, 1375, 3,    1376, 1377, 1378, 1379, 1380, 1381, 1382, 1383, 1384,
                                  1385, 1386, 1387, 1393, 1394, 1395, 1396, 1397, 1448, 1449, 1450, 1451,
                                  1452, 1301, 1304, 1308, 1316, 1336, 1300, 1305, 1309, 1317, 1347, 1302,
                                  1306, 1310, 1318, 1358, 1303, 1307, 1311, 1319, 1369};

// Filled from the cache after the clock was read.
constexpr uint16_t kFilledAfterClock = 0x0047;

// The controller's clock holds signed seconds from 2000 on: the pickers offer no date beyond.
const QDate kEarliestDate(1932, 1, 1);
const QDate kLatestDate(2067, 12, 31);

}  // namespace

CParamSetDlg::CParamSetDlg(CMainFrame& frame) : frame_(frame) {
  res::BuildDialog(*this, res::kParamSetDialog);
  date_ = res::Control<QDateTimeEdit>(*this, 1372);
  time_ = res::Control<QDateTimeEdit>(*this, 1373);
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
  on(1349, [this] { ReadControllerClock(); });
  on(1371, [this] { WriteControllerClock(); });
}

void CParamSetDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!initialised_) Initialise();
}

void CParamSetDlg::Initialise() {
  initialised_ = true;
  for (int id : kHiddenAtStart) res::Control(*this, id)->hide();
  if (!ParamLinkUsable(frame_.link(), Mode())) {
    frame_.prompter().Message(this, QString::fromUtf8(ParamLinkMissingText(Mode())));
    return;
  }
  const DecodedValues cached = CachedParams(frame_.link(), frame_.values());
  for (const ParamRow& row : ParamRows())
    if (row.reg != kFilledAfterClock) ShowCached(row, cached);
  ReadControllerClock();
  ShowCached(*FindParamRow(kFilledAfterClock), cached);
}

void CParamSetDlg::ShowCached(const ParamRow& row, const DecodedValues& cached) {
  res::Control<QLineEdit>(*this, row.displayId)->setText(QString::fromStdString(ParamDisplayText(row, cached)));
}

LinkMode CParamSetDlg::Mode() const { return LinkModeOf(frame_.config().Get().workMode); }

uint8_t CParamSetDlg::Unit() const { return static_cast<uint8_t>(frame_.config().Get().deviceId); }

void CParamSetDlg::Tell(const Result<>& result) {
  for (const Notice& n : result.notices) {
    QWidget* owner = n.application ? static_cast<QWidget*>(&frame_) : this;
    frame_.prompter().Message(owner, QString::fromStdString(n.text));
  }
}

void CParamSetDlg::ReadRow(const ParamRow& row) {
  const Result<ParamValue> read = [&] {
    BusyCursor busy;
    return ReadParamRow(frame_.link(), Mode(), Unit(), row, frame_.values());
  }();
  if (read.ok()) res::Control<QLineEdit>(*this, row.displayId)->setText(QString::fromStdString(read.value->text));
  Tell(read);
}

void CParamSetDlg::WriteRow(const ParamRow& row) {
  const std::string input = res::Control<QLineEdit>(*this, row.inputId)->text().toStdString();
  const Result<uint16_t> wrote = [&] {
    BusyCursor busy;
    return WriteParamRegister(frame_.link(), Mode(), Unit(), row, input);
  }();
  Tell(wrote);
}

void CParamSetDlg::ReadControllerClock() {
  const Result<ClockValue> read = [&] {
    BusyCursor busy;
    return kaviro::ReadControllerClock(frame_.link(), Mode(), Unit());
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
    return kaviro::WriteControllerClock(frame_.link(), Mode(), Unit(), chosen);
  }();
  Tell(wrote);
}

}  // namespace kaviro
