#include "tools/tool_dialogs.h"

#include "app/main_frame.h"
#include "tools/controller/param_set_dialog.h"
#include "tools/console/modbus_test_dialog.h"
#include "tools/controller/action_cmd_dialog.h"
#include "tools/controller/controller_info_dialog.h"
#include "tools/log/log_read_dialog.h"
#include "tools/relay/relay_dev_dialog.h"
#include "tools/relay/threshold_probe_dialog.h"

namespace kaviro {

void RegisterToolDialogs(CMainFrame& frame) {
  frame.RegisterToolDialog(cmd::kModbusTest, [](CMainFrame& f) { return std::make_unique<CModbusTestDlg>(f); });
  frame.RegisterToolDialog(cmd::kReadLog, [](CMainFrame& f) { return std::make_unique<CLogReadDlg>(f); });
  frame.RegisterToolDialog(cmd::kParameters, [](CMainFrame& f) { return std::make_unique<CParamSetDlg>(f); });
  frame.RegisterToolDialog(cmd::kControllerInfo, [](CMainFrame& f) { return std::make_unique<CControllerInfoDlg>(f); });
  frame.RegisterToolDialog(cmd::kActions, [](CMainFrame& f) { return std::make_unique<CActionCmdDlg>(f); });
  frame.RegisterToolDialog(cmd::kRelay, [](CMainFrame& f) { return std::make_unique<CRelayDevDlg>(f); });
  frame.RegisterToolDialog(cmd::kThresholdProbe,
                           [](CMainFrame& f) { return std::make_unique<CThresholdProbeDlg>(f); });
}

}  // namespace kaviro
