#include "tools/relay/threshold_probe_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/main_frame.h"
#include "link/text_format.h"
#include "res/dialog_builder.h"
#include "res/templates.h"
#include "tools/common/busy_cursor.h"
#include "tools/relay/threshold_probe.h"

namespace kaviro {

CThresholdProbeDlg::CThresholdProbeDlg(CMainFrame& frame) : frame_(frame) {
  res::BuildDialog(*this, res::kThresholdProbeDialog);
  connect(res::Control<QPushButton>(*this, 1494), &QPushButton::clicked, this, [this] { Probe(); });
  connect(res::Control<QPushButton>(*this, 1), &QPushButton::clicked, this, [this] { accept(); });
  connect(res::Control<QPushButton>(*this, 2), &QPushButton::clicked, this, [this] { reject(); });
}

void CThresholdProbeDlg::Probe() {
  const auto unit = static_cast<uint8_t>(frame_.config().Get().deviceId & 0xFF);
  const ProbeBytes sent = ProbeBlockOf(ProbeRequest(unit));
  res::Control<QLineEdit>(*this, 1015)->setText(QString::fromStdString(HexBytes(sent)));
  const Result<ProbeAnswer> probe = [&] {
    BusyCursor busy;
    return RunThresholdProbe(frame_.link(), unit);
  }();
  if (!probe.ok()) return;
  res::Control<QLabel>(*this, 1492)->setText(QString::fromStdString(ProbeValueText(probe.value->first)));
  res::Control<QLabel>(*this, 1493)->setText(QString::fromStdString(ProbeValueText(probe.value->second)));
  res::Control<QLineEdit>(*this, 1016)->setText(QString::fromStdString(HexBytes(probe.value->received)));
}

}  // namespace kaviro
