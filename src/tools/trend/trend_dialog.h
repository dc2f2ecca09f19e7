#pragma once
#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "monitor/decoder.h"
#include "tools/trend/trend_history.h"
#include "tools/trend/trend_recorder.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
QT_END_NAMESPACE

namespace kaviro {

class Prompter;

// The polled registers as lines over the last minutes: tick the registers to show, pick the
// span; "暂停" holds the picture (zooming with the mouse holds it too), "复位" undoes the zoom and
// follows the polls again, "存图片" saves what is shown as PNG, "记录CSV" records every poll of
// the ticked registers into a folder, one file a day, until stopped. Not modal: the polls go on,
// and closing the window only hides it (a recording carries on).
class CTrendDlg final : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kSpanMinutes[] = {5, 10, 30, 60, 120};
  static constexpr int kDefaultSpan = 1;  // index into kSpanMinutes

  CTrendDlg(int language, Prompter& prompter, QWidget* parent = nullptr);
  ~CTrendDlg() override;

  // Each decoded block of a poll, then the poll's end with the wall-clock time it ended.
  void Take(const DecodedTexts& texts);
  void EndPoll(int64_t unixMs);

  std::vector<size_t> Shown() const;  // indexes into history().registers(), in list order
  const TrendHistory& history() const { return history_; }
  QChart* chart() const;
  bool Recording() const { return recorder_.has_value(); }

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Redraw();
  void ToggleRecording();
  void StopRecording();
  void SavePicture();
  void ShownChanged();
  bool Paused() const;
  std::vector<TrendRegister> ShownRegisters() const;

  Prompter& prompter_;
  TrendHistory history_;
  QChartView* view_ = nullptr;
  int64_t lastPollMs_ = 0;
  std::filesystem::path folder_;
  std::optional<TrendRecorder> recorder_;
};

}  // namespace kaviro
