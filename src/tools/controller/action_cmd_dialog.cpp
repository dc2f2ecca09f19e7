#include "tools/controller/action_cmd_dialog.h"

#include <QPushButton>

#include "config/app_config.h"
#include "res/dialog_builder.h"
#include "res/prompter.h"
#include "res/templates.h"
#include "tools/common/busy_cursor.h"
#include "tools/controller/coil_command.h"

namespace kaviro {

CActionCmdDlg::CActionCmdDlg(const ToolContext& context) : context_(context) {
  res::BuildDialog(*this, res::kActionCmdDialog);
  for (const CoilAction& action : CoilActions()) {
    const uint16_t coil = action.coil;
    connect(res::Control<QPushButton>(*this, action.buttonId), &QPushButton::clicked, this, [this, coil] { Send(coil); });
  }
}

void CActionCmdDlg::Send(uint16_t coil) {
  const AppConfig config = context_.config.Get();
  const Result<> result = [&] {
    BusyCursor busy;
    return SendCoil(context_.link, LinkModeOf(config.workMode), static_cast<uint8_t>(config.deviceId), coil);
  }();
  for (const Notice& n : result.notices) context_.prompter.Message(this, QString::fromStdString(n.text));
}

}  // namespace kaviro
