#include "tools/controller/action_cmd_dialog.h"

#include <QPushButton>

#include "app/main_frame.h"
#include "app/prompter.h"
#include "res/dialog_builder.h"
#include "res/templates.h"
#include "tools/common/busy_cursor.h"
#include "tools/controller/coil_command.h"

namespace kaviro {

CActionCmdDlg::CActionCmdDlg(CMainFrame& frame) : frame_(frame) {
  res::BuildDialog(*this, res::kActionCmdDialog);
  for (const CoilAction& action : CoilActions()) {
    const uint16_t coil = action.coil;
    connect(res::Control<QPushButton>(*this, action.buttonId), &QPushButton::clicked, this, [this, coil] { Send(coil); });
  }
}

void CActionCmdDlg::Send(uint16_t coil) {
  const AppConfig config = frame_.config().Get();
  const Result<> result = [&] {
    BusyCursor busy;
    return SendCoil(frame_.link(), LinkModeOf(config.workMode), static_cast<uint8_t>(config.deviceId), coil);
  }();
  for (const Notice& n : result.notices) frame_.prompter().Message(this, QString::fromStdString(n.text));
}

}  // namespace kaviro
