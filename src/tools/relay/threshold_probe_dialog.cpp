#include "tools/relay/threshold_probe_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "config/app_config.h"
#include "link/text_format.h"
#include "res/dialog_builder.h"
#include "res/templates.h"
#include "res/threshold_probe_ids.h"
#include "tools/common/busy_cursor.h"
#include "tools/relay/threshold_probe.h"

namespace kaviro {

CThresholdProbeDlg::CThresholdProbeDlg(const ToolContext& context) : context_(context) {
  res::BuildDialog(*this, res::kThresholdProbeDialog);
  connect(res::Control<QPushButton>(*this, probe_ids::kProbe), &QPushButton::clicked, this, [this] { Probe(); });
  connect(res::Control<QPushButton>(*this, probe_ids::kOk), &QPushButton::clicked, this, [this] { accept(); });
  connect(res::Control<QPushButton>(*this, probe_ids::kCancel), &QPushButton::clicked, this, [this] { reject(); });
}

void CThresholdProbeDlg::Probe() {
  const auto unit = static_cast<uint8_t>(context_.config.Get().deviceId & 0xFF);
  const ProbeBytes sent = ProbeBlockOf(ProbeRequest(unit));
  res::Control<QLineEdit>(*this, probe_ids::kSent)->setText(QString::fromStdString(HexBytes(sent)));
  const Result<ProbeAnswer> probe = [&] {
    BusyCursor busy;
    return RunThresholdProbe(context_.link, unit);
  }();
  if (!probe.ok()) return;
  res::Control<QLabel>(*this, probe_ids::kLowAlarmShown)->setText(QString::fromStdString(ProbeValueText(probe.value->first)));
  res::Control<QLabel>(*this, probe_ids::kHighAlarmShown)
      ->setText(QString::fromStdString(ProbeValueText(probe.value->second)));
  res::Control<QLineEdit>(*this, probe_ids::kReceived)->setText(QString::fromStdString(HexBytes(probe.value->received)));
}

}  // namespace kaviro
