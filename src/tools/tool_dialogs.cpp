#include "tools/tool_dialogs.h"

#include "res/menu_commands.h"
#include "tools/console/modbus_test_dialog.h"
#include "tools/controller/action_cmd_dialog.h"
#include "tools/controller/controller_info_dialog.h"
#include "tools/controller/param_set_dialog.h"
#include "tools/log/log_read_dialog.h"
#include "tools/relay/relay_dev_dialog.h"
#include "tools/relay/threshold_probe_dialog.h"
#include "tools/settings/settings_backup_dialog.h"

namespace kaviro {

namespace {

template <typename Dialog>
std::unique_ptr<QDialog> Open(const ToolContext& context) {
  return std::make_unique<Dialog>(context);
}

constexpr ToolDialog kToolDialogs[] = {
    {cmd::kModbusTest, &Open<CModbusTestDlg>},
    {cmd::kReadLog, &Open<CLogReadDlg>},
    {cmd::kParameters, &Open<CParamSetDlg>},
    {cmd::kControllerInfo, &Open<CControllerInfoDlg>},
    {cmd::kActions, &Open<CActionCmdDlg>},
    {cmd::kRelay, &Open<CRelayDevDlg>},
    {cmd::kThresholdProbe, &Open<CThresholdProbeDlg>},
    {cmd::kSettingsBackup, &Open<CSettingsBackupDlg>},
};

}  // namespace

std::span<const ToolDialog> ToolDialogs() { return kToolDialogs; }

}  // namespace kaviro
