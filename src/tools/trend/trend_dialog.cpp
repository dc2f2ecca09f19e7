#include "tools/trend/trend_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "link/text_format.h"
#include "res/dialog_builder.h"
#include "res/prompter.h"
#include "res/templates.h"
#include "res/trend_dialog_ids.h"
#include "tools/log/log_export.h"
#include "tools/trend/trend_chart.h"

namespace kaviro {

using namespace trend_ids;

namespace {
constexpr const char* kRecordText = "记录CSV";
constexpr const char* kStopText = "停止记录";
constexpr int64_t kMinuteMs = 60 * 1000;

std::vector<TrendRegister> RegistersOf(int language) {
  const std::optional<RegisterTable> table = RegisterTableFor(language);
  return table ? TrendableRegisters(*table) : std::vector<TrendRegister>{};
}
}  // namespace

CTrendDlg::CTrendDlg(int language, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      prompter_(prompter),
      history_(RegistersOf(language), kSpanMinutes[kDefaultSpan] * kMinuteMs) {
  res::BuildDialog(*this, res::kTrendDialog);
  auto* panel = res::Control<QWidget>(*this, kChart);
  view_ = new QChartView(panel);
  view_->setRubberBand(QChartView::RectangleRubberBand);
  view_->viewport()->installEventFilter(this);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);

  auto* list = res::Control<QTableWidget>(*this, kRegisters);
  list->setColumnCount(kColumns);
  list->setHorizontalHeaderLabels({QString::fromUtf8("寄存器"), QString::fromUtf8("单位")});
  list->horizontalHeader()->setSectionResizeMode(kName, QHeaderView::Stretch);
  list->horizontalHeader()->setSectionResizeMode(kUnit, QHeaderView::ResizeToContents);
  const std::vector<TrendRegister> defaults = DefaultTrendRegisters(language);
  const std::vector<TrendRegister>& all = history_.registers();
  list->setRowCount(static_cast<int>(all.size()));
  for (int r = 0; r < static_cast<int>(all.size()); ++r) {
    auto* name = new QTableWidgetItem(QString::fromStdString(all[r].name));
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    const bool ticked = std::find(defaults.begin(), defaults.end(), all[r]) != defaults.end();
    name->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    list->setItem(r, kName, name);
    auto* unit = new QTableWidgetItem(QString::fromStdString(all[r].unit));
    unit->setFlags(Qt::ItemIsEnabled);
    list->setItem(r, kUnit, unit);
  }
  connect(list, &QTableWidget::itemChanged, this, [this] { ShownChanged(); });

  auto* minutes = res::Control<QComboBox>(*this, kMinutes);
  for (int m : kSpanMinutes) minutes->addItem(QString::number(m));
  minutes->setCurrentIndex(kDefaultSpan);
  connect(minutes, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0) return;
    history_.SetSpan(kSpanMinutes[index] * kMinuteMs);
    Redraw();
  });
  connect(res::Control<QCheckBox>(*this, kPause), &QCheckBox::toggled, this, [this](bool paused) {
    if (!paused) Redraw();
  });
  connect(res::Control<QPushButton>(*this, kResetZoom), &QPushButton::clicked, this, [this] {
    res::Control<QCheckBox>(*this, kPause)->setChecked(false);  // and so drawn afresh, unzoomed
  });
  connect(res::Control<QPushButton>(*this, kSavePicture), &QPushButton::clicked, this, [this] { SavePicture(); });
  connect(res::Control<QPushButton>(*this, kRecord), &QPushButton::clicked, this, [this] { ToggleRecording(); });
  lastPollMs_ = QDateTime::currentMSecsSinceEpoch();
  Redraw();
}

CTrendDlg::~CTrendDlg() = default;

void CTrendDlg::Take(const DecodedTexts& texts) { history_.Take(texts); }

void CTrendDlg::EndPoll(int64_t unixMs) {
  const std::optional<TrendHistory::Row> row = history_.EndPoll(unixMs);
  if (!row) return;
  lastPollMs_ = unixMs;
  if (recorder_) {
    TrendHistory::Row cells;
    for (size_t i : Shown()) cells.push_back((*row)[i]);
    std::string error;
    if (recorder_->Record(static_cast<std::time_t>(unixMs / 1000), cells, error)) {
      res::Control<QLineEdit>(*this, kRecordFile)->setText(QString::fromStdString(recorder_->file().string()));
    } else {
      StopRecording();
      prompter_.Message(this, QString::fromStdString(error));
    }
  }
  if (!Paused()) Redraw();
}

std::vector<size_t> CTrendDlg::Shown() const {
  std::vector<size_t> shown;
  const auto* list = res::Control<QTableWidget>(*this, kRegisters);
  for (int r = 0; r < list->rowCount(); ++r)
    if (list->item(r, kName)->checkState() == Qt::Checked) shown.push_back(static_cast<size_t>(r));
  return shown;
}

std::vector<TrendRegister> CTrendDlg::ShownRegisters() const {
  std::vector<TrendRegister> shown;
  for (size_t i : Shown()) shown.push_back(history_.registers()[i]);
  return shown;
}

QChart* CTrendDlg::chart() const { return view_->chart(); }

bool CTrendDlg::Paused() const { return res::Control<QCheckBox>(*this, kPause)->isChecked(); }

void CTrendDlg::Redraw() {
  QChart* old = view_->chart();
  view_->setChart(BuildTrendChart(history_, Shown(), lastPollMs_).release());
  delete old;  // the view lets go of the chart it had, without deleting it
}

void CTrendDlg::ShownChanged() {
  // The columns of a recording are the ticked registers: a new set starts a file of its own.
  if (recorder_) recorder_.emplace(folder_, ShownRegisters());
  if (!Paused()) Redraw();
}

void CTrendDlg::ToggleRecording() {
  if (recorder_) return StopRecording();
  const QString folder = prompter_.FolderName(this);
  if (folder.isEmpty()) return;
  folder_ = folder.toStdString();
  recorder_.emplace(folder_, ShownRegisters());
  res::Control<QPushButton>(*this, kRecord)->setText(QString::fromUtf8(kStopText));
  res::Control<QLineEdit>(*this, kRecordFile)->setText(folder);
}

void CTrendDlg::StopRecording() {
  recorder_.reset();
  res::Control<QPushButton>(*this, kRecord)->setText(QString::fromUtf8(kRecordText));
}

void CTrendDlg::SavePicture() {
  const QString chosen = prompter_.SaveFileName(this, QStringLiteral("PNG (*.png)"));
  if (chosen.isEmpty()) return;
  const QString path = chosen.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? chosen : chosen + ".png";
  if (!view_->grab().save(path, "PNG"))
    prompter_.Message(this, QString::fromStdString(Format(kLogCannotWriteText, path.toStdString().c_str())));
}

void CTrendDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!Paused()) Redraw();
}

bool CTrendDlg::eventFilter(QObject* watched, QEvent* event) {
  // A zoom drawn with the mouse would be gone at the next poll: it holds the picture instead.
  if (watched == view_->viewport() && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
    res::Control<QCheckBox>(*this, kPause)->setChecked(true);
  return QDialog::eventFilter(watched, event);
}

}  // namespace kaviro
