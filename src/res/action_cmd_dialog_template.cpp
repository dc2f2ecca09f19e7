#include "res/action_cmd_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace action_ids;

constexpr ControlTemplate kControls[] = {
    {kEqualise, Kind::kButton, "均衡启动", 19, 19, 79, 19},
    {kResetController, Kind::kButton, "重置控制器", 112, 19, 79, 19},
    {kResetMaintenance, Kind::kButton, "重置蓄电池维护提醒", 203, 19, 79, 19},
    {kClearChargeAh, Kind::kButton, "充电AH重置数清零", 19, 49, 79, 19},
    {kClearChargeKwh, Kind::kButton, "充电KWH重置数清零", 112, 49, 79, 19},
    {kDisconnectCharging, Kind::kButton, "强制断开充电状态", 203, 49, 79, 19},
    {kClearLoadAh, Kind::kButton, "负载AH数清零", 19, 79, 79, 19},
    {kClearLoadKwh, Kind::kButton, "负载KWH数清零", 112, 79, 79, 19},
    {kDisconnectLoad, Kind::kButton, "强制断开负载", 203, 79, 79, 19},
    {kClearFaults, Kind::kButton, "清除故障", 19, 108, 79, 19},
    {kClearAlarms, Kind::kButton, "清除警报", 112, 108, 79, 19},
};
}  // namespace

const DialogTemplate kActionCmdDialog{146, "动作命令", 305, 153, kControls};

}  // namespace kaviro::res
